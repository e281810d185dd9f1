#pragma once
#include "ScratchFolder.h"

#include <filesystem>
#include <string>
#include <vector>

struct CToolRun {
    int Status = -1;
    std::string Out, Err;
    // stdout split into lines and fields (the CSV); stderr into lines.
    std::vector<std::vector<std::string>> Rows() const;
    std::vector<std::string> ErrLines() const;
};

// Runs quelta-track with `args` (no shell), stdin from /dev/null, in the working folder `dir`.
CToolRun RunTrack(const std::vector<std::string>& args, const std::filesystem::path& dir);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
