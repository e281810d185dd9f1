#include "ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

}  // namespace

std::vector<std::vector<std::string>> CompleteRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    const size_t end = text.rfind('\n');
    if (end == std::string::npos)
        return rows;
    for (const std::string& line : SplitLines(text.substr(0, end + 1)))
        rows.push_back(SplitFields(line));
    return rows;
}

std::string OutFile(const std::filesystem::path& dir) { return (dir / ".stdout").string(); }
std::string ErrFile(const std::filesystem::path& dir) { return (dir / ".stderr").string(); }

std::unique_ptr<CChildProcess> StartTrack(const std::vector<std::string>& args,
                                          const std::filesystem::path& dir) {
    std::vector<std::string> argv{QUELTA_TRACK};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<CChildProcess>(
        CChildProcess::CStart{argv, dir.string(), OutFile(dir), ErrFile(dir)});
}

std::vector<std::vector<std::string>> CToolRun::Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : SplitLines(Out))
        rows.push_back(SplitFields(line));
    return rows;
}

std::vector<std::string> CToolRun::ErrLines() const { return SplitLines(Err); }

CToolRun RunTrack(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    const std::string outPath = (dir / ".stdout").string(), errPath = (dir / ".stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<std::string> argv{QUELTA_TRACK};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargs;
    for (std::string& a : argv)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    CToolRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, QUELTA_TRACK, &actions, nullptr, cargs.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.Out = ReadFile(outPath);
    run.Err = ReadFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
