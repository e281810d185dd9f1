// Feeds saved inputs to a fuzz target without libFuzzer, for compilers that have none (gcc):
// every file named on the command line, and every file in every folder named, in name order.
// So the seed corpus runs as an ordinary test, and a crash input added to it stays fixed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional, as for libFuzzer: a target's own start, which may end the run.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& where) {
    std::vector<std::filesystem::path> inputs;
    if (!std::filesystem::is_directory(where))
        return {where};
    for (const auto& entry : std::filesystem::directory_iterator(where))
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool Replay(const std::filesystem::path& input) {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", input.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", input.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr)
        LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : InputsIn(argv[i])) {
            if (!Replay(input))
                return 1;
            ++replayed;
        }
    }
    // A corpus that went missing must not pass as a clean replay.
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    std::fprintf(stderr, "%d inputs replayed, no promise broken\n", replayed);
    return 0;
}
