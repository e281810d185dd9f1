#pragma once
#include "ChildProcess.h"
#include "ScratchFolder.h"

#include <filesystem>
#include <memory>
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

// Starts quelta-track with `args` in `dir` without waiting; stdout goes to OutFile(dir),
// stderr to ErrFile(dir).
std::unique_ptr<CChildProcess> StartTrack(const std::vector<std::string>& args,
                                          const std::filesystem::path& dir);
std::string OutFile(const std::filesystem::path& dir);
std::string ErrFile(const std::filesystem::path& dir);

// CSV text as lines of fields; a last line without its line end is left out, as a reader
// of a growing output must.
std::vector<std::vector<std::string>> CompleteRows(const std::string& text);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
