#include "SettingsFile.h"

#include "FileAccess.h"
#include "LimitFields.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

// Line 1 is the header "QTA 1"; lines 2 to 12 carry the first colour's limits, by position.
// The version stays 1 for colour sets: the readers of one colour refuse any later version, and
// they read a set file's first colour as they always did.
constexpr std::string_view HeaderKey = "QTA";
constexpr uint32_t Version = 1;
// A colour set goes on at line 13: its number of colours, then one block per colour.
constexpr std::string_view CountKey = "Colours";
constexpr std::string_view NameKey = "Name";
constexpr std::string_view DisplayKey = "Display";
constexpr std::string_view MaxMarksKey = "MaxMarks";
constexpr std::size_t DisplayDigits = 6;  // RRGGBB

// A file of one colour is twelve short lines; this much holds them many times over, trailing
// words and all, and only this much of any file is read.
constexpr std::size_t ReadBytes = 4096;

constexpr std::size_t Digits(uint32_t n) { return n < 10 ? 1 : 1 + Digits(n / 10); }

// A line as written: the key, one space, the value, CR LF.
constexpr std::size_t LineBytes(std::string_view key, std::size_t valueBytes) {
    return key.size() + 1 + valueBytes + 2;
}

constexpr std::size_t LongestLimitLines() {
    std::size_t bytes = 0;
    for (const CLimitField& field : LimitFields)
        bytes += LineBytes(field.Name, Digits(field.Limit));
    return bytes;
}

constexpr std::size_t LongestColourHead = LineBytes(NameKey, CColour::MaxNameLength) +
                                          LineBytes(DisplayKey, DisplayDigits) +
                                          LineBytes(MaxMarksKey, Digits(CColour::MaxMarksLimit));

constexpr std::size_t LongestSetFile =
    LineBytes(HeaderKey, Digits(Version)) + LineBytes(CountKey, Digits(CColourSet::MaxColours)) +
    CColourSet::MaxColours * (LongestColourHead + LongestLimitLines());

// A set file is read whole within the same ReadBytes; were it to outgrow them, the reading of
// its first twelve lines would have to stay within ReadBytes while the rest read on.
static_assert(LongestSetFile < ReadBytes);

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The lines of a file's text, numbered from 1. A line is the text up to its "\n"; a CR before
// the "\n" stays in the line, where it counts as a blank.
struct CLines {
    std::string_view Text;
    std::size_t At = 0;
    int Number = 0;  // of the line read last

    bool Peek(std::string_view& line) const {
        if (At >= Text.size())
            return false;
        const std::size_t end = std::min(Text.find('\n', At), Text.size());
        line = Text.substr(At, end - At);
        return true;
    }
    bool Next(std::string_view& line) {
        if (!Peek(line))
            return false;
        At += line.size() + 1;
        ++Number;
        return true;
    }
};

// A line as a message quotes it: no line end, no control bytes, not too long.
std::string Quoted(std::string_view line) {
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    constexpr std::size_t Shown = 40;
    std::string text;
    for (char c : line.substr(0, Shown))
        text += (c >= 0x20 && c < 0x7f) ? c : '?';
    return "'" + text + (line.size() > Shown ? "...'" : "'");
}

std::string LineRef(const CLines& lines) { return "line " + std::to_string(lines.Number) + ": "; }

// The next line, which must begin with `key` (case and all, in the first column).
bool NextWithKey(CLines& lines, std::string_view key, std::string_view& rest,
                 std::string& problem) {
    std::string_view line;
    if (!lines.Next(line)) {
        problem = "the file ends before line " + std::to_string(lines.Number + 1) + " ('" +
                  std::string(key) + "')";
        return false;
    }
    if (line.substr(0, key.size()) != key) {
        problem = LineRef(lines) + "expected '" + std::string(key) + "', found " + Quoted(line);
        return false;
    }
    rest = line.substr(key.size());
    return true;
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

bool ReadNumberLine(CLines& lines, std::string_view key, uint32_t lowest, uint32_t highest,
                    uint32_t& value, std::string& problem) {
    std::string_view rest;
    if (!NextWithKey(lines, key, rest, problem))
        return false;
    int64_t number = 0;
    if (!ParseNumber(rest, number) || number < lowest || number > highest) {
        problem = LineRef(lines) + Quoted(std::string(key) + std::string(rest)) + ": " +
                  std::string(key) + " must be a whole number from " + std::to_string(lowest) +
                  " to " + std::to_string(highest);
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

bool ReadHeader(CLines& lines, std::string& problem) {
    std::string_view rest;
    int64_t version = 0;
    if (!NextWithKey(lines, HeaderKey, rest, problem)) {
        problem = "not a Quelta settings file (" + problem + ")";
        return false;
    }
    if (!ParseNumber(rest, version) || version > Version) {
        problem = "line 1: " + Quoted(std::string(HeaderKey) + std::string(rest)) +
                  ": a format version this program does not read";
        return false;
    }
    return true;
}

// Eleven lines into the limits; on failure the fields read so far are changed.
bool ReadLimits(CLines& lines, CTrackingParams& limits, std::string& problem) {
    for (const CLimitField& field : LimitFields) {
        uint32_t value = 0;
        if (!ReadNumberLine(lines, field.Name, 0, field.Limit, value, problem))
            return false;
        field.Set(limits, value);
    }
    return true;
}

// The name is the first word after the key, which blanks must part from it; more words after
// it are ignored, as after a number.
bool ReadName(CLines& lines, const CColourSet& earlier, CColour& colour, std::string& problem) {
    std::string_view rest;
    if (!NextWithKey(lines, NameKey, rest, problem))
        return false;
    std::size_t start = 0;
    while (start < rest.size() && IsBlank(rest[start]))
        ++start;
    std::size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    const std::string name(rest.substr(start, end - start));
    if (start == 0 || !IsValidColourName(name)) {
        problem = LineRef(lines) + Quoted(std::string(NameKey) + std::string(rest)) +
                  ": a colour's name is 1 to " + std::to_string(CColour::MaxNameLength) +
                  " letters, digits, '-' and '_', after a blank";
        return false;
    }
    if (earlier.Find(name) >= 0) {
        problem = LineRef(lines) + "the colour name '" + name + "' is repeated";
        return false;
    }
    colour.Name = name;
    return true;
}

// Six hexadecimal digits, either case, after blanks; what follows them must not be a seventh.
bool ReadDisplay(CLines& lines, CColour& colour, std::string& problem) {
    std::string_view rest;
    if (!NextWithKey(lines, DisplayKey, rest, problem))
        return false;
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i]))
        ++i;
    uint32_t value = 0;
    const char* first = rest.data() + i;
    const auto [end, error] = std::from_chars(first, rest.data() + rest.size(), value, 16);
    if (error != std::errc() || end - first != DisplayDigits) {
        problem = LineRef(lines) + Quoted(std::string(DisplayKey) + std::string(rest)) +
                  ": the display colour is six hexadecimal digits, RRGGBB";
        return false;
    }
    colour.DisplayColour = value;
    return true;
}

bool ReadColourHead(CLines& lines, const CColourSet& earlier, CColour& colour,
                    std::string& problem) {
    uint32_t maxMarks = 0;
    if (!ReadName(lines, earlier, colour, problem) || !ReadDisplay(lines, colour, problem) ||
        !ReadNumberLine(lines, MaxMarksKey, 1, CColour::MaxMarksLimit, maxMarks, problem))
        return false;
    colour.MaxMarks = static_cast<int>(maxMarks);
    return true;
}

bool IsBlankLine(std::string_view line) { return std::all_of(line.begin(), line.end(), IsBlank); }

// From line 13 of a file that holds a set: the count, the first colour's block (its limits were
// lines 2 to 12), every further colour's block with its limits, then nothing but blank lines.
bool ReadSetPart(CLines& lines, CColourSet& set, std::string& problem) {
    uint32_t count = 0;
    if (!ReadNumberLine(lines, CountKey, 1, CColourSet::MaxColours, count, problem) ||
        !ReadColourHead(lines, CColourSet{}, set.Colours[0], problem))
        return false;
    for (uint32_t i = 1; i < count; ++i) {
        CColour colour;
        if (!ReadColourHead(lines, set, colour, problem) ||
            !ReadLimits(lines, colour.Limits, problem))
            return false;
        set.Colours.push_back(std::move(colour));
    }
    std::string_view line;
    while (lines.Next(line)) {
        if (!IsBlankLine(line)) {
            problem = LineRef(lines) + Quoted(line) + " after the last of the " +
                      std::to_string(count) + " colours";
            return false;
        }
    }
    return true;
}

bool ParseColourSet(std::string_view text, CColourSet& set, std::string& problem) {
    CLines lines{text};
    CColour first;
    first.Name = CColour::DefaultName;
    if (!ReadHeader(lines, problem) || !ReadLimits(lines, first.Limits, problem))
        return false;
    set.Colours = {first};
    // A thirteenth line that is not the count belongs to a file of one colour, whose lines
    // after the twelfth were always ignored.
    std::string_view next;
    if (!lines.Peek(next) || next.substr(0, CountKey.size()) != CountKey)
        return true;
    if (text.size() > ColourSetFileLimit) {
        problem = "a colour set file holds at most " + std::to_string(ColourSetFileLimit) +
                  " bytes; this one is longer";
        return false;
    }
    return ReadSetPart(lines, set, problem);
}

std::string NumberLine(std::string_view key, uint32_t value) {
    return std::string(key) + ' ' + std::to_string(value) + "\r\n";
}

std::string LimitLines(const CTrackingParams& limits) {
    std::string text;
    for (const CLimitField& field : LimitFields)
        text += NumberLine(field.Name, field.Get(limits));
    return text;
}

std::string ColourHeadLines(const CColour& colour) {
    char display[8];
    std::snprintf(display, sizeof display, "%06X", static_cast<unsigned>(colour.DisplayColour));
    return std::string(NameKey) + ' ' + colour.Name + "\r\n" + std::string(DisplayKey) + ' ' +
           display + "\r\n" + NumberLine(MaxMarksKey, static_cast<uint32_t>(colour.MaxMarks));
}

std::string SetFileText(const CColourSet& set) {
    std::string text = NumberLine(HeaderKey, Version) + LimitLines(set.Colours.front().Limits);
    if (IsPlainOneColour(set))
        return text;
    text += NumberLine(CountKey, static_cast<uint32_t>(set.Colours.size()));
    text += ColourHeadLines(set.Colours.front());
    for (std::size_t i = 1; i < set.Colours.size(); ++i)
        text += ColourHeadLines(set.Colours[i]) + LimitLines(set.Colours[i].Limits);
    return text;
}

}  // namespace

const std::size_t ColourSetFileLimit = LongestSetFile;

bool IsPlainOneColour(const CColourSet& set) {
    const CColour& first = set.Colours.front();
    return set.Colours.size() == 1 && first.Name == CColour::DefaultName &&
           first.DisplayColour == CColour{}.DisplayColour && first.MaxMarks == CColour{}.MaxMarks;
}

bool LoadSettingsFile(CTrackingParams& params, const std::string& path) {
    std::string problem;
    return LoadSettingsFile(params, path, problem);
}

bool LoadSettingsFile(CTrackingParams& params, const std::string& path, std::string& problem) {
    std::string text;
    if (!ReadFileHead(path, ReadBytes, text, problem))
        return false;
    CLines lines{text};
    CTrackingParams read = params;
    if (!ReadHeader(lines, problem) || !ReadLimits(lines, read, problem))
        return false;
    params = read;
    return true;
}

bool SaveSettingsFile(const CTrackingParams& params, const std::string& path) {
    return ReplaceFile(path, NumberLine(HeaderKey, Version) + LimitLines(params));
}

bool LoadColourSetFile(CColourSet& set, const std::string& path, std::string& problem) {
    std::string text;
    CColourSet read;
    if (!ReadFileHead(path, ReadBytes, text, problem) || !ParseColourSet(text, read, problem))
        return false;
    if (auto invalid = ColourSetProblem(read)) {
        problem = *invalid;
        return false;
    }
    set = std::move(read);
    return true;
}

bool SaveColourSetFile(const CColourSet& set, const std::string& path) {
    return !ColourSetProblem(set) && ReplaceFile(path, SetFileText(set));
}
