#include "SettingsFile.h"

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

struct CLineRule {
    const char* Key;
    uint32_t Limit;
};

// Keys are positional: line k must carry the k-th key.
constexpr std::array<CLineRule, 12> Lines{{
    {"QTA", 1},
    {"lMin", 255},
    {"lMax", 255},
    {"a1Min", 255},
    {"a1Max", 255},
    {"a2Min", 255},
    {"a2Max", 255},
    {"MinARatio", 100},
    {"MinWidth", 640},
    {"MaxWidth", 640},
    {"MinHeight", 480},
    {"MaxHeight", 480},
}};

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

bool ParseLine(const std::string& line, const CLineRule& rule, int64_t& value) {
    const std::string_view key = rule.Key;
    if (line.compare(0, key.size(), key) != 0)
        return false;
    return ParseNumber(std::string_view(line).substr(key.size()), value) && value <= rule.Limit;
}

std::string FileText(const CTrackingParams& p) {
    const std::array<uint32_t, 12> values{1,          p.lMin,     p.lMax,      p.a1Min,
                                          p.a1Max,    p.a2Min,    p.a2Max,     p.MinARatio,
                                          p.MinWidth, p.MaxWidth, p.MinHeight, p.MaxHeight};
    std::string text;
    for (size_t k = 0; k < Lines.size(); ++k)
        text += std::string(Lines[k].Key) + ' ' + std::to_string(values[k]) + "\r\n";
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
    std::array<int64_t, 12> values{};
    std::string line;
    size_t at = 0;
    for (size_t k = 0; k < Lines.size(); ++k) {
        if (!NextLine(text, at, line) || !ParseLine(line, Lines[k], values[k]))
            return false;
    }
    params.lMin = static_cast<uint8_t>(values[1]);
    params.lMax = static_cast<uint8_t>(values[2]);
    params.a1Min = static_cast<uint8_t>(values[3]);
    params.a1Max = static_cast<uint8_t>(values[4]);
    params.a2Min = static_cast<uint8_t>(values[5]);
    params.a2Max = static_cast<uint8_t>(values[6]);
    params.MinARatio = static_cast<uint32_t>(values[7]);
    params.MinWidth = static_cast<uint32_t>(values[8]);
    params.MaxWidth = static_cast<uint32_t>(values[9]);
    params.MinHeight = static_cast<uint32_t>(values[10]);
    params.MaxHeight = static_cast<uint32_t>(values[11]);
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
