#pragma once
#include <cstdint>
#include <string>

// An output file name with at most one printf-style integer conversion (%d, %5d, %05d,
// %-3d, ...) for the frame number; "%%" stands for a literal '%'. The pattern is checked
// once and expanded by hand: it never reaches printf, so no pattern can read stray
// arguments.
class CDrawPattern {
public:
    // Throws CToolError when the pattern has another conversion or more than one %d.
    explicit CDrawPattern(const std::string& pattern);
    std::string FileFor(int64_t frame) const;

private:
    std::string Before, After;  // text around the conversion, '%%' already folded
    bool HasNumber = false;
    bool LeftAlign = false, ZeroPad = false, Plus = false, Space = false;
    int Width = 0;
};
