#include "SettingsFile.h"

#include "LimitFields.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Line 0 is the header "QTA 1"; lines 1 to 11 carry the limits, by position.
constexpr const char* HeaderKey = "QTA";
constexpr uint32_t Version = 1;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The number after the key, read as strtol would (blanks, sign, digits, rest ignored; no
// digits gives 0). Refuses what strtol would get wrong or the record cannot hold: negative
// numbers and numbers beyond a 32-bit signed integer.
bool ParseNumber(std::string_view text, int64_t& value) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + (text[i] - '0');
        if (number > INT32_MAX)
            return false;
    }
    if (negative && number != 0)
        return false;
    value = number;
    return true;
}

bool ParseLine(const std::string& line, std::string_view key, uint32_t limit, int64_t& value) {
    if (line.compare(0, key.size(), key) != 0)
        return false;
    return ParseNumber(std::string_view(line).substr(key.size()), value) && value <= limit;
}

std::string FileText(const CTrackingParams& p) {
    std::string text = std::string(HeaderKey) + ' ' + std::to_string(Version) + "\r\n";
    for (const CLimitField& field : LimitFields)
        text += std::string(field.Name) + ' ' + std::to_string(field.Get(p)) + "\r\n";
    return text;
}

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

// A valid file is twelve short lines; this much holds them many times over, trailing words and
// all. Nothing past it is read, so a huge or endless file costs no more than a small one.
constexpr size_t MaxFileBytes = 4096;

// The start of a regular file, at most MaxFileBytes. Anything else (a folder, a FIFO, a
// device such as /dev/zero) is refused at once: O_NONBLOCK keeps the open of a FIFO without a
// writer from waiting.
bool ReadHead(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    text.resize(MaxFileBytes);
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(done);
    return ok;
}

// The next line of `text` from `at` (its end, "\n", not included); false at the end.
bool NextLine(std::string_view text, size_t& at, std::string& line) {
    if (at >= text.size())
        return false;
    const size_t end = std::min(text.find('\n', at), text.size());
    line.assign(text.substr(at, end - at));
    at = end + 1;
    return true;
}

}  // namespace

bool LoadSettingsFile(CTrackingParams& params, const std::string& path) {
    std::string text;
    if (!ReadHead(path, text))
        return false;
    std::string line;
    size_t at = 0;
    int64_t version = 0;
    if (!NextLine(text, at, line) || !ParseLine(line, HeaderKey, Version, version))
        return false;
    std::array<int64_t, LimitFields.size()> values{};
    for (size_t k = 0; k < LimitFields.size(); ++k) {
        if (!NextLine(text, at, line) ||
            !ParseLine(line, LimitFields[k].Name, LimitFields[k].Limit, values[k]))
            return false;
    }
    for (size_t k = 0; k < LimitFields.size(); ++k)
        LimitFields[k].Set(params, static_cast<uint32_t>(values[k]));
    return true;
}

// Written in full to a temporary file and renamed over the target, so a failure at any
// step (full disk, quota, missing folder) leaves an existing file exactly as it was. The
// rename would replace a file the user may not write (a 0444 file, or another user's in a
// shared folder), so such a target is refused first, as writing it in place would be. A file
// with several hard links is replaced under this name only; its other names keep the old text.
bool SaveSettingsFile(const CTrackingParams& params, const std::string& path) {
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
    ok = ok && WriteAll(fd, FileText(params)) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(tempPath.c_str());
    return ok;
}
