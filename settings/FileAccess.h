#pragma once
#include <cstddef>
#include <string>

// The start of a regular file, at most `limit` bytes, in `text`. Anything else (a folder, a
// FIFO, a device such as /dev/zero) is refused at once; false with the reason in `problem`.
bool ReadFileHead(const std::string& path, std::size_t limit, std::string& text,
                  std::string& problem);

// Writes `text` to a temporary file beside the target and renames it over the target, so a
// failure at any step leaves an existing file exactly as it was. A target the user may not
// write is refused; a symbolic link is followed and the file it names is replaced.
bool ReplaceFile(const std::string& path, const std::string& text);
