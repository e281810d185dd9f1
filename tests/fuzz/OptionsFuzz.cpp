// quelta-track's option parsing on any arguments (the input split at NUL bytes). Promises
// checked: a bad call is refused with the tool's own error (any other exception escapes and
// fails the run), and an accepted one holds only what the tool can act on.
#include "FuzzCheck.h"
#include "Options.h"
#include "PublishError.h"
#include "ToolError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// No bytes, no arguments; otherwise one more argument than NUL bytes.
std::vector<std::string> Arguments(const uint8_t* data, size_t size) {
    if (size == 0)
        return {};
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    return args;
}

void CheckAccepted(const CTrackOptions& options) {
    if (options.Help)
        return;
    FUZZ_CHECK(!options.Sources.empty(), "a run has a source");
    FUZZ_CHECK(options.Clicks.empty() || !options.Point, "one kind of calibration point");
    for (const CColourClick& click : options.Clicks)
        FUZZ_CHECK(click.Colour.find('=') == std::string::npos, "a click's name holds no '='");
    for (const std::string& colour : options.Colours)
        FUZZ_CHECK(!colour.empty(), "a colour has a name");
    FUZZ_CHECK(!options.MaxMarks || (*options.MaxMarks >= 1 && *options.MaxMarks <= 64),
               "1 to 64 marks of a colour");
    FUZZ_CHECK(!options.Frames || *options.Frames >= 1, "at least one frame");
    if (options.Publish) {
        const CBrokerAddress& a = *options.Publish;
        FUZZ_CHECK(!a.Host.empty() && !a.Topic.empty(), "host and topic are named");
        FUZZ_CHECK(a.Port >= 1 && a.Port <= 65535, "the port is a port");
        FUZZ_CHECK(!a.User || !a.User->empty(), "a user is never empty");
        FUZZ_CHECK(a.Topic.find_first_of("+#") == std::string::npos, "no wildcard topic");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        CheckAccepted(ParseOptions(Arguments(data, size)));
    } catch (const CToolError& refused) {
        FUZZ_CHECK(*refused.what() != '\0', "a refusal says why");
    } catch (const CPublishError& refused) {
        FUZZ_CHECK(*refused.what() != '\0', "a refusal says why");
    }
    return 0;
}
