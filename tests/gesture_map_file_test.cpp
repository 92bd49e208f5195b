#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "device/FileReplace.h"
#include "device/FileStart.h"
#include "device/GestureMapFile.h"
#include "device/ParameterBlock.h"
#include "tests/TestFiles.h"

namespace {

// Everything of the block but its map.
std::vector<uint8_t> FieldsBeforeMap(const ParameterBlock& b) {
    auto bytes = BlockBytes(b);
    return {bytes.begin(), bytes.begin() + offsetof(ParameterBlock, GestureMap)};
}

std::vector<uint8_t> MapBytes(const ParameterBlock& b) {
    auto bytes = BlockBytes(b);
    return {bytes.begin() + offsetof(ParameterBlock, GestureMap), bytes.end()};
}

// A block whose map has no zero byte, so clearing shows.
ParameterBlock FullMapBlock() {
    ParameterBlock b = MakeDefaultParams();
    for (size_t i = 0; i < kGestureCount; ++i)
        b.GestureMap[i] = {static_cast<uint8_t>(1 + i % 6), static_cast<uint8_t>(34 - i)};
    return b;
}

std::vector<uint8_t> Sequence(size_t count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

std::vector<uint8_t> BlockBytesOf(const ParameterBlock& b) {
    auto bytes = BlockBytes(b);
    return {bytes.begin(), bytes.end()};
}

std::uintmax_t SizeOf(const std::filesystem::path& p) { return std::filesystem::file_size(p); }

TEST(GestureMapFile, SaveWritesExactlyTheMapAndLoadRestoresIt) {
    TempDir dir;
    const auto file = dir.path / "map.txt";
    ParameterBlock saved = FullMapBlock();
    // Indices beyond the tables are kept as they are, both ways.
    saved.GestureMap[13] = {0xFF, 200};
    // Replacing an older, longer file leaves exactly 28 bytes.
    WriteFile(file, std::vector<uint8_t>(100, 0xAA));
    ASSERT_EQ(ReplaceOutcome::Replaced, SaveMapFile(file, saved));
    EXPECT_EQ(SizeOf(file), kGestureMapSize);
    const std::vector<uint8_t> content = ReadFileStart(file, 100).bytes;
    ASSERT_EQ(content.size(), kGestureMapSize);
    EXPECT_EQ(content, MapBytes(saved));
    EXPECT_EQ(content[0], saved.GestureMap[0].modifier);
    EXPECT_EQ(content[1], saved.GestureMap[0].key);
    // Nothing is left beside it.
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path), {}));

    ParameterBlock loaded = MakeDefaultParams();
    loaded.PanScale = 999;
    const std::vector<uint8_t> before = FieldsBeforeMap(loaded);
    EXPECT_EQ(0u, LoadMapFile(file, loaded));
    EXPECT_EQ(MapBytes(loaded), MapBytes(saved));
    EXPECT_EQ(FieldsBeforeMap(loaded), before);
}

TEST(GestureMapFile, ShortFileLeavesTheRestOfTheMapZero) {
    TempDir dir;
    const auto file = dir.path / "short.map";
    WriteFile(file, Sequence(10, 1));
    ParameterBlock b = FullMapBlock();
    LoadMapFile(file, b);
    std::vector<uint8_t> expected = Sequence(10, 1);
    expected.resize(kGestureMapSize, 0);
    EXPECT_EQ(MapBytes(b), expected);
    for (size_t i = 5; i < kGestureCount; ++i) {
        EXPECT_EQ(b.GestureMap[i].modifier, 0) << i;
        EXPECT_EQ(b.GestureMap[i].key, 0) << i;
    }

    WriteFile(file, {});
    LoadMapFile(file, b);
    EXPECT_EQ(MapBytes(b), std::vector<uint8_t>(kGestureMapSize, 0));
}

TEST(GestureMapFile, LongFileGivesOnlyItsFirst28Bytes) {
    TempDir dir;
    const auto file = dir.path / "long.map";
    WriteFile(file, Sequence(200, 0));
    EXPECT_EQ(ReadFileStart(file, kGestureMapSize).bytes.size(), kGestureMapSize);
    ParameterBlock b = FullMapBlock();
    const std::vector<uint8_t> before = FieldsBeforeMap(b);
    LoadMapFile(file, b);
    EXPECT_EQ(MapBytes(b), Sequence(kGestureMapSize, 0));
    EXPECT_EQ(FieldsBeforeMap(b), before);
}

// Missing, or opened but not readable (a directory): the live map stays
// exactly as it was and the system's error comes back.
TEST(GestureMapFile, FileThatCannotBeOpenedOrReadKeepsTheMap) {
    TempDir dir;
    ParameterBlock b = FullMapBlock();
    const ParameterBlock before = b;
    EXPECT_NE(0u, LoadMapFile(dir.path / "missing.map", b));
    EXPECT_EQ(BlockBytesOf(b), BlockBytesOf(before));
    EXPECT_NE(0u, LoadMapFile(dir.path, b));
    EXPECT_EQ(BlockBytesOf(b), BlockBytesOf(before));
}

// A save that fails leaves what was there, and nothing beside it.
TEST(GestureMapFile, FailedSaveIsReportedAndTouchesNothing) {
    TempDir dir;
    const ParameterBlock b = FullMapBlock();
    EXPECT_EQ(ReplaceOutcome::Failed, SaveMapFile(dir.path / "no-such-dir" / "map.txt", b));
    // A directory with a file in it cannot be replaced by a file.
    const auto occupied = dir.path / "occupied";
    std::filesystem::create_directory(occupied);
    WriteFile(occupied / "keep", Sequence(5, 7));
    EXPECT_EQ(ReplaceOutcome::Failed, SaveMapFile(occupied, b));
    EXPECT_EQ(ReadFileStart(occupied / "keep", 100).bytes, Sequence(5, 7));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path), {}));
}

// The new file is written under a name nobody uses: a file of the first
// name tried stays as it was, the saved file keeps its permissions, and a
// name with no room for the new file's suffix says so.
TEST(GestureMapFile, SaveLeavesOtherFilesAndAttributesAlone) {
    TempDir dir;
    const ParameterBlock b = FullMapBlock();
    const auto file = dir.path / "map.txt";
    WriteFile(file, Sequence(3, 28));
    std::filesystem::permissions(file,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    char taken[16];
    std::snprintf(taken, sizeof taken, "map.txt.~%04x", (static_cast<unsigned>(getpid()) << 4) & 0xFFFF);
    WriteFile(dir.path / taken, Sequence(9, 4));
    ASSERT_EQ(ReplaceOutcome::Replaced, SaveMapFile(file, b));
    EXPECT_EQ(ReadFileStart(dir.path / taken, 100).bytes, Sequence(9, 4));
    EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
              std::filesystem::status(file).permissions());
    EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir.path), {}));
    EXPECT_EQ(ReplaceOutcome::NameTooLong, SaveMapFile(dir.path / std::string(250, 'm'), b));
}

}  // namespace

// What is left after the system's swap answered, for every answer and every
// later move that can fail: the old bytes are in place or the new ones,
// never only under the backup name while the place is free; nothing is
// deleted before the new bytes are in place.
namespace {

struct SwapWorld {
    std::string place, beside, backup;  // "" when no file has the name
    bool moveWorks = true;
    bool restoreWorks = true;
};

const SwapFinishOps kWorldOps = {
    [](void* c) {
        auto& w = *static_cast<SwapWorld*>(c);
        if (!w.moveWorks || w.beside.empty()) return false;
        w.place = std::exchange(w.beside, "");
        return true;
    },
    [](void* c) {
        auto& w = *static_cast<SwapWorld*>(c);
        if (!w.restoreWorks || w.backup.empty()) return false;
        w.place = std::exchange(w.backup, "");
        return true;
    },
    [](void* c) { static_cast<SwapWorld*>(c)->beside.clear(); },
    [](void* c) { static_cast<SwapWorld*>(c)->backup.clear(); },
};

}  // namespace

TEST(FileReplace, AHalfDoneSwapIsCompletedOrUndoneNeverLeftHalfway) {
    struct Case {
        const char* what;
        SwapAnswer answer;
        SwapWorld before;
        ReplaceOutcome outcome;
        SwapWorld after;
    };
    const Case cases[] = {
        {"swapped: the backup goes",
         SwapAnswer::Swapped,
         {"new", "", "old"},
         ReplaceOutcome::Replaced,
         {"new", "", ""}},
        {"no old file: moved in",
         SwapAnswer::NoOldFile,
         {"", "new", ""},
         ReplaceOutcome::Replaced,
         {"new", "", ""}},
        {"no old file, move refused",
         SwapAnswer::NoOldFile,
         {"", "new", "", false},
         ReplaceOutcome::Failed,
         {"", "", ""}},
        {"nothing moved",
         SwapAnswer::NothingMoved,
         {"old", "new", ""},
         ReplaceOutcome::Failed,
         {"old", "", ""}},
        {"old at the backup: completed",
         SwapAnswer::OldAtBackup,
         {"", "new", "old"},
         ReplaceOutcome::Replaced,
         {"new", "", ""}},
        {"old at the backup, move refused: undone",
         SwapAnswer::OldAtBackup,
         {"", "new", "old", false},
         ReplaceOutcome::Failed,
         {"old", "", ""}},
        {"old at the backup, both refused: both kept",
         SwapAnswer::OldAtBackup,
         {"", "new", "old", false, false},
         ReplaceOutcome::Failed,
         {"", "new", "old"}},
    };
    for (const Case& c : cases) {
        SwapWorld world = c.before;
        EXPECT_EQ(c.outcome, FinishSwap(c.answer, kWorldOps, &world)) << c.what;
        EXPECT_EQ(c.after.place, world.place) << c.what;
        EXPECT_EQ(c.after.beside, world.beside) << c.what;
        EXPECT_EQ(c.after.backup, world.backup) << c.what;
    }
}

// Keeping the old file as the backup: whichever step fails, the place and
// the backup end as they were, and nothing of this call stays behind.
namespace {

struct KeepWorld {
    std::string place, backup, beside, oldName;  // "" when no file has the name
    int failingStep = 0;                         // 1..4: that step fails; 0: none
    bool undoWorks = true;
    int step = 0;
    bool Next() { return ++step != failingStep; }
};

KeepWorld& World(void* c) { return *static_cast<KeepWorld*>(c); }

const KeepBackupOps kKeepOps = {
    [](void* c) { return !World(c).place.empty(); },
    [](void* c) { return World(c).Next() && !(World(c).beside = "new").empty(); },
    [](void* c) { return World(c).Next() && !(World(c).oldName = World(c).place).empty(); },
    [](void* c) { return World(c).Next() && !(World(c).place = std::exchange(World(c).beside, "")).empty(); },
    [](void* c) {
        return World(c).Next() && !(World(c).backup = std::exchange(World(c).oldName, "")).empty();
    },
    [](void* c) {
        return World(c).undoWorks && !(World(c).place = std::exchange(World(c).oldName, "")).empty();
    },
    [](void* c) { World(c).beside.clear(); },
    [](void* c) { World(c).oldName.clear(); },
};

}  // namespace

TEST(FileReplace, KeepingTheBackupIsWholeOrUndone) {
    struct Case {
        const char* what;
        KeepWorld before;
        ReplaceOutcome outcome;
        KeepWorld after;
    };
    const Case cases[] = {
        {"old and earlier backup",
         {"old", "older", "", ""},
         ReplaceOutcome::Replaced,
         {"new", "old", "", ""}},
        {"no old file: the backup stays",
         {"", "older", "", ""},
         ReplaceOutcome::Replaced,
         {"new", "older", "", ""}},
        {"disk full writing the new file",
         {"old", "older", "", "", 1},
         ReplaceOutcome::Failed,
         {"old", "older", "", ""}},
        {"no second name for the old file",
         {"old", "older", "", "", 2},
         ReplaceOutcome::Failed,
         {"old", "older", "", ""}},
        {"the place held open",
         {"old", "older", "", "", 3},
         ReplaceOutcome::Failed,
         {"old", "older", "", ""}},
        {"no old file, the place refused",
         {"", "older", "", "", 2},
         ReplaceOutcome::Failed,
         {"", "older", "", ""}},
        {"the backup held open: undone",
         {"old", "older", "", "", 4},
         ReplaceOutcome::Failed,
         {"old", "older", "", ""}},
        {"the undo refused too",
         {"old", "older", "", "", 4, false},
         ReplaceOutcome::Failed,
         {"new", "older", "", "old"}},
    };
    for (const Case& c : cases) {
        KeepWorld world = c.before;
        EXPECT_EQ(c.outcome, ReplaceKeepingBackup(kKeepOps, &world)) << c.what;
        EXPECT_EQ(c.after.place, world.place) << c.what;
        EXPECT_EQ(c.after.backup, world.backup) << c.what;
        EXPECT_EQ(c.after.beside, world.beside) << c.what;
        EXPECT_EQ(c.after.oldName, world.oldName) << c.what;
    }
}
