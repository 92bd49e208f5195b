#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "device/FolderTrust.h"
#include "device/ParameterBlock.h"
#include "device/ParameterFile.h"
#include "tests/TestFiles.h"

namespace {

std::vector<uint8_t> Bytes(const ParameterBlock& b) {
    auto s = BlockBytes(b);
    return {s.begin(), s.end()};
}

// A block image unlike the defaults in every field the loader may touch.
ParameterBlock CustomBlock() {
    ParameterBlock b = MakeDefaultParams();
    for (int i = 0; i < 10; ++i) b.CalX[i] = static_cast<uint16_t>(100 + i);
    b.ScaleSlope[3] = -0.25f;
    b.AxisFlags = 0x13;
    b.Orientation = 2;
    b.CalOrientation = 3;
    b.DriverWord142 = 7;
    b.PanScale = 1234;
    for (size_t i = 0; i < kGestureCount; ++i)
        b.GestureMap[i] = {static_cast<uint8_t>(i % 7), static_cast<uint8_t>(30 - i)};
    return b;
}

// The default maps as (modifier, key) bytes of entries 1..14.
constexpr uint8_t kModernMap[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 8, 1, 7, 0, 5,
                                    0, 3, 0, 5, 0, 3, 0, 1, 0, 2, 1, 2, 1, 1};
constexpr uint8_t kLegacyMap[28] = {0, 5, 0, 3, 0, 0, 0, 0, 1, 19, 1, 20, 0, 5,
                                    0, 3, 0, 5, 0, 3, 0, 1, 0, 2,  1, 2,  1, 1};

struct Loaded {
    ParameterBlock defaults;
    ParameterBlock live;
};

Loaded Load(std::optional<std::vector<uint8_t>> file, uint16_t orientation, bool legacy = false) {
    Loaded r{MakeDefaultParams(), {}};
    ChooseDefaultMap(r.defaults, legacy);
    std::memset(&r.live, 0xCD, sizeof r.live);
    std::optional<std::span<const uint8_t>> span;
    if (file) span = std::span<const uint8_t>(*file);
    LoadParameterBlock(span, orientation, r.defaults, r.live);
    return r;
}

TEST(ParameterBlockTest, DefaultsMatchTheTable) {
    ParameterBlock d = MakeDefaultParams();
    const uint16_t calX[10] = {1920, 128, 128, 3968, 3968, 128, 1920, 1920, 3968, 3968};
    const uint16_t calY[10] = {1920, 128, 3968, 128, 3968, 1920, 128, 3968, 1920, 3968};
    EXPECT_EQ(0, std::memcmp(d.CalX, calX, sizeof calX));
    EXPECT_EQ(0, std::memcmp(d.CalY, calY, sizeof calY));
    for (float s : d.ScaleX) EXPECT_EQ(1.0f, s);
    for (float s : d.ScaleY) EXPECT_EQ(1.0f, s);
    for (float s : d.ScaleSlope) EXPECT_EQ(0.0f, s);
    // Offsets 120..151 as little-endian words.
    const uint16_t words[16] = {0, 0, 0, 20, 50, 10, 350, 800, 24, 32, 32, 32, 10, 125, 4, 20000};
    auto bytes = BlockBytes(d);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(words[i], bytes[120 + 2 * i] | bytes[121 + 2 * i] << 8) << "offset " << 120 + 2 * i;
    // The map stays empty until the system picks one.
    for (int i = 152; i < 180; ++i) EXPECT_EQ(0, bytes[i]);
}

TEST(ParameterBlockTest, DefaultMapFollowsSystemVersion) {
    EXPECT_TRUE(IsLegacySystem(4));
    EXPECT_TRUE(IsLegacySystem(5));
    EXPECT_FALSE(IsLegacySystem(6));
    EXPECT_FALSE(IsLegacySystem(10));

    ParameterBlock d = MakeDefaultParams();
    ChooseDefaultMap(d, false);
    EXPECT_EQ(0, std::memcmp(d.GestureMap, kModernMap, 28));
    ChooseDefaultMap(d, true);
    EXPECT_EQ(0, std::memcmp(d.GestureMap, kLegacyMap, 28));
}

TEST(ParameterBlockTest, MissingOrShortFileGivesDefaultsWithCurrentOrientation) {
    for (std::optional<std::vector<uint8_t>> file :
         {std::optional<std::vector<uint8_t>>{}, std::optional(std::vector<uint8_t>{}),
          std::optional(std::vector<uint8_t>(179, 0x11))}) {
        Loaded r = Load(file, 3);
        ParameterBlock expected = MakeDefaultParams();
        ChooseDefaultMap(expected, false);
        expected.Orientation = 3;
        EXPECT_EQ(Bytes(expected), Bytes(r.live));
        // The defaults themselves remember the orientation (a later reset uses it).
        EXPECT_EQ(3, r.defaults.Orientation);
    }
}

TEST(ParameterBlockTest, FullFileIsUsedWithItsFixUps) {
    ParameterBlock custom = CustomBlock();
    std::vector<uint8_t> file = Bytes(custom);
    file.resize(200, 0xEE);  // bytes past 180 are ignored

    Loaded r = Load(file, 1);
    ParameterBlock expected = custom;
    expected.DriverWord142 = 32;
    expected.Orientation = 1;  // the current orientation wins
    EXPECT_EQ(Bytes(expected), Bytes(r.live));
    EXPECT_EQ(3, r.live.CalOrientation);   // the file's calibration orientation is kept
    EXPECT_EQ(0, r.defaults.Orientation);  // a usable file leaves the defaults alone
}

TEST(ParameterBlockTest, WordAt142IsAlways32) {
    ParameterBlock custom = CustomBlock();
    custom.DriverWord142 = 0;
    EXPECT_EQ(32, Load(Bytes(custom), 0).live.DriverWord142);
}

TEST(ParameterBlockTest, NoMapMarkerReplacesTheWholeMapBySystem) {
    ParameterBlock custom = CustomBlock();
    std::vector<uint8_t> file = Bytes(custom);
    file[152] = 0xFF;
    file[153] = 0x42;

    Loaded modern = Load(file, 0, false);
    Loaded legacy = Load(file, 0, true);
    EXPECT_EQ(0, std::memcmp(modern.live.GestureMap, kModernMap, 28));
    EXPECT_EQ(0, std::memcmp(legacy.live.GestureMap, kLegacyMap, 28));
    // Everything else is the file's, on both systems.
    EXPECT_EQ(0, std::memcmp(&modern.live, &legacy.live, 152));

    // Without the marker the same file loads identically on both systems.
    file[152] = 3;
    EXPECT_EQ(Bytes(Load(file, 0, false).live), Bytes(Load(file, 0, true).live));
}

TEST(ParameterBlockTest, ReadsFilesFromDisk) {
    TempDir dir;
    EXPECT_FALSE(ReadParameterFile(dir.path / "missing.dat"));

    std::vector<uint8_t> content(200);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i);
    WriteFile(dir.path / "long.dat", content);
    auto read = ReadParameterFile(dir.path / "long.dat");
    ASSERT_TRUE(read);
    EXPECT_EQ(std::vector<uint8_t>(content.begin(), content.begin() + 180), *read);

    WriteFile(dir.path / "short.dat", std::vector<uint8_t>(10, 1));
    EXPECT_EQ(10u, ReadParameterFile(dir.path / "short.dat")->size());
}

// The parameters file's folder: the system's Windows folder, or one that
// only administrators, SYSTEM and TrustedInstaller own and may change.
TEST(ParameterBlockTest, ParametersFolderIsTrustedOnlyWhenNoUserMayChangeIt) {
    using K = SidKind;
    constexpr uint32_t kReadExecute = 0x001200A9u;
    constexpr uint32_t kFull = 0x001F01FFu;
    const AceFact ti{AceKind::Allow, K::TrustedInstaller, kFull};
    const AceFact system{AceKind::Allow, K::System, kFull};
    const AceFact admins{AceKind::Allow, K::Administrators, kFull};
    const AceFact creator{AceKind::Allow, K::CreatorOwner, kRightGenericAll};
    const AceFact usersRead{AceKind::Allow, K::Other, kReadExecute};
    const std::vector<AceFact> windowsLike = {ti, system, admins, creator, usersRead};
    const auto with = [&](AceFact extra) {
        std::vector<AceFact> aces = windowsLike;
        aces.push_back(extra);
        return aces;
    };
    struct Case {
        const char* what;
        FolderFacts facts;
        bool trusted;
    };
    const Case cases[] = {
        {"the system's Windows folder", {true, {false, K::Other, false, {}}}, true},
        {"owned by Administrators, written by them alone",
         {false, {true, K::Administrators, true, windowsLike}},
         true},
        {"owned by SYSTEM", {false, {true, K::System, true, windowsLike}}, true},
        {"owned by TrustedInstaller", {false, {true, K::TrustedInstaller, true, windowsLike}}, true},
        {"owned by the user who made it", {false, {true, K::Other, true, windowsLike}}, false},
        {"security not read", {false, {false, K::Administrators, true, windowsLike}}, false},
        {"a null access list", {false, {true, K::Administrators, false, {}}}, false},
        {"users may add files",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightAddFile})}},
         false},
        {"users may add subfolders",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightAddSubfolder})}},
         false},
        {"users may delete children",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightDeleteChild})}},
         false},
        {"users may delete it",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightDelete})}},
         false},
        {"users may change its access list",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightWriteDac})}},
         false},
        {"users may take it",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightWriteOwner})}},
         false},
        {"users have generic write (inherited by the files)",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightGenericWrite})}},
         false},
        {"users have generic all",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::Other, kRightGenericAll})}},
         false},
        {"users denied writing",
         {false, {true, K::Administrators, true, with({AceKind::Deny, K::Other, kFull})}},
         true},
        {"an entry of another type",
         {false, {true, K::Administrators, true, with({AceKind::Other, K::Other, 0})}},
         false},
        {"Users may add files",
         {false, {true, K::Administrators, true, with({AceKind::Allow, K::BroadGroup, kRightAddFile})}},
         false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.trusted, FolderTrusted(c.facts)) << c.what;
}

// The file itself: no broad group owns it or may change it. An
// administrator's own copy (owned by that account, full control through
// CREATOR OWNER) stays trusted.
TEST(ParameterBlockTest, ParametersFileIsTrustedUnlessABroadGroupMayChangeIt) {
    using K = SidKind;
    constexpr uint32_t kReadExecute = 0x001200A9u;
    constexpr uint32_t kFull = 0x001F01FFu;
    const std::vector<AceFact> copied = {{AceKind::Allow, K::System, kFull},
                                         {AceKind::Allow, K::Administrators, kFull},
                                         {AceKind::Allow, K::Other, kFull},
                                         {AceKind::Allow, K::BroadGroup, kReadExecute}};
    const auto with = [&](AceFact extra) {
        std::vector<AceFact> aces = copied;
        aces.push_back(extra);
        return SecurityFacts{true, K::Other, true, aces};
    };
    struct Case {
        const char* what;
        SecurityFacts facts;
        bool trusted;
    };
    const Case cases[] = {
        {"an administrator's copy, users read", {true, K::Other, true, copied}, true},
        {"owned by Administrators", {true, K::Administrators, true, copied}, true},
        {"security not read", {false, K::Administrators, true, copied}, false},
        {"a null access list", {true, K::Administrators, false, {}}, false},
        {"owned by a broad group", {true, K::BroadGroup, true, copied}, false},
        {"a group may write", with({AceKind::Allow, K::BroadGroup, kRightWriteData}), false},
        {"a group may append", with({AceKind::Allow, K::BroadGroup, kRightAppendData}), false},
        {"a group may delete", with({AceKind::Allow, K::BroadGroup, kRightDelete}), false},
        {"a group may change the access list", with({AceKind::Allow, K::BroadGroup, kRightWriteDac}), false},
        {"a group may take it", with({AceKind::Allow, K::BroadGroup, kRightWriteOwner}), false},
        {"a group has generic write", with({AceKind::Allow, K::BroadGroup, kRightGenericWrite}), false},
        {"a group has generic all", with({AceKind::Allow, K::BroadGroup, kRightGenericAll}), false},
        {"a group has the most allowed", with({AceKind::Allow, K::BroadGroup, kRightMaximumAllowed}), false},
        {"a group's write is inherit-only", with({AceKind::Allow, K::BroadGroup, kFull, true}), true},
        {"a group is denied writing", with({AceKind::Deny, K::BroadGroup, kFull}), true},
        {"an entry of another type", with({AceKind::Other, K::Other, 0}), false},
        {"a group may write attributes only", with({AceKind::Allow, K::BroadGroup, 0x00000100u}), true},
    };
    for (const Case& c : cases) EXPECT_EQ(c.trusted, FileTrusted(c.facts)) << c.what;
}

TEST(ParameterBlockTest, WholeBlockAndMapWritesCopyEveryByte) {
    ParameterBlock src = CustomBlock(), dst{};
    WriteWholeBlock(dst, src);
    EXPECT_EQ(Bytes(src), Bytes(dst));

    ParameterBlock mapOnly{};
    WriteGestureMap(mapOnly, GestureMapLegacy);
    EXPECT_EQ(0, std::memcmp(mapOnly.GestureMap, GestureMapLegacy, 28));
}

}  // namespace
