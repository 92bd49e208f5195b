#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/rtouchctl/BlockInput.h"

std::optional<std::vector<uint8_t>> ReadPlainFileStart(const std::string& utf8Path, size_t maxBytes,
                                                       std::string& why) {
    // Not following a link, and never waiting on a pipe or a device.
    const int fd = open(utf8Path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = errno == ELOOP ? "it is a link, not the file itself" : std::strerror(errno);
        return std::nullopt;
    }
    struct stat facts {};
    std::optional<std::vector<uint8_t>> out;
    if (fstat(fd, &facts) != 0) {
        why = std::strerror(errno);
    } else if (S_ISDIR(facts.st_mode)) {
        why = "it is a folder";
    } else if (!S_ISREG(facts.st_mode)) {
        why = "it names a device, not a file";
    } else {
        std::vector<uint8_t> bytes(maxBytes);
        size_t got = 0;
        while (got < maxBytes) {
            const ssize_t n = read(fd, bytes.data() + got, maxBytes - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n < 0) why = std::strerror(errno);
                break;
            }
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
        if (why.empty()) out = std::move(bytes);
    }
    close(fd);
    return out;
}

bool PlainFileOrNone(const std::string& utf8Path, std::string& why) {
    struct stat facts {};
    if (lstat(utf8Path.c_str(), &facts) != 0) {
        why = std::strerror(errno);
        return errno == ENOENT;
    }
    if (S_ISLNK(facts.st_mode))
        why = "it is a link, not the file itself";
    else if (S_ISDIR(facts.st_mode))
        why = "it is a folder";
    else if (!S_ISREG(facts.st_mode))
        why = "it names a device, not a file";
    return why.empty();
}
