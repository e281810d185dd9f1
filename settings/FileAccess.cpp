#include "FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Replacing a link replaces the file it names, not the link.
std::string ResolvedTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            std::string resolved = real;
            free(real);
            return resolved;
        }
    }
    return path;
}

// A new file beside the target, made with O_EXCL so nothing existing is ever reused.
int OpenTemporary(const std::string& target, std::string& tempPath) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x~", static_cast<unsigned>(random()));
        tempPath = target + suffix;
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

// O_NONBLOCK keeps the open of a FIFO without a writer from waiting. Nothing past `limit` is
// read, so a huge or endless file costs no more than a small one.
bool ReadFileHead(const std::string& path, std::size_t limit, std::string& text,
                  std::string& problem) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        problem = "not a regular file";
    text.resize(limit);
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0;
        if (n < 0)
            problem = std::strerror(errno);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(done);
    return ok;
}

// The rename would replace a file the user may not write (a 0444 file, or another user's in a
// shared folder), so such a target is refused first, as writing it in place would be. A file
// with several hard links is replaced under this name only; its other names keep the old text.
bool ReplaceFile(const std::string& path, const std::string& text) {
    const std::string target = ResolvedTarget(path);
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return false;
    std::string tempPath;
    const int fd = OpenTemporary(target, tempPath);
    if (fd < 0)
        return false;
    struct stat old {};
    bool ok = true;
    if (stat(target.c_str(), &old) == 0) {
        // Keep the mode of the file being replaced; a directory is never replaced.
        ok = S_ISREG(old.st_mode) && fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, text) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(tempPath.c_str());
    return ok;
}
