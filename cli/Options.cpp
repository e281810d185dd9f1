#include "Options.h"

#include "ColourSet.h"
#include "ToolError.h"

#include <charconv>
#include <climits>

const char* const UsageText =
    "Usage: quelta-track [options] SOURCE...\n"
    "  SOURCE              image files (one frame each, in order), one video file (all its\n"
    "                      frames), or one live source: testcam[:WxH@FPS],\n"
    "                      testcam-multi[:WxH@FPS], v4l2:/dev/videoN, file:PATH,\n"
    "                      gst:PIPELINE (live sources need --frames)\n"
    "  --settings F        load settings file F first (all or nothing): the first colour's\n"
    "                      limits\n"
    "  --save-settings F   after the last frame, save the first colour's limits to F\n"
    "  --colours F         track the colour set of file F (all or nothing)\n"
    "  --colour NAME       add a colour NAME with default limits (repeatable, in order);\n"
    "                      without --colours the set is these colours alone\n"
    "  --save-colours F    after the last frame, save the colour set to F\n"
    "  --max-marks N       report at most N marks (1 to 64) of every colour\n"
    "  --click [NAME=]X,Y  on the first frame: set the calibration point and learn colour\n"
    "                      NAME there (without NAME the first colour); once per colour\n"
    "  --point X,Y         before the first frame: set the calibration point only\n"
    "  --format csv|jsonl  one CSV line per frame (the first colour's mark, the default) or\n"
    "                      one JSON object per frame with every colour's marks\n"
    "  --show-mask         paint the colour mask (seen only with --draw)\n"
    "  --draw PATTERN      write every drawn frame to PATTERN; a printf-style %d (e.g.\n"
    "                      out-%04d.png) is replaced by the frame number\n"
    "  --frames N          stop after N frames\n"
    "  --publish mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC\n"
    "                      also publish every frame to an MQTT broker (port 1883 unless\n"
    "                      given): TOPIC/position (JSON), TOPIC/present, TOPIC/status,\n"
    "                      TOPIC/marks (JSON) and TOPIC/NAME/present for each colour\n"
    "  -h, --help          show this text\n";

namespace {

bool ParseInt(const std::string& text, long long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

CPoint2i ParsePoint(const std::string& option, const std::string& text) {
    const size_t comma = text.find(',');
    long long x = 0, y = 0;
    if (comma == std::string::npos || !ParseInt(text.substr(0, comma), x) ||
        !ParseInt(text.substr(comma + 1), y) || x < INT_MIN || x > INT_MAX || y < INT_MIN ||
        y > INT_MAX)
        throw CToolError(option + " needs X,Y as two whole numbers, got '" + text + "'");
    return {static_cast<int>(x), static_cast<int>(y)};
}

long long ParseFrames(const std::string& text) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 1)
        throw CToolError("--frames needs a whole number of at least 1, got '" + text + "'");
    return n;
}

// NAME=X,Y or X,Y; a name is checked against the set once the set is known.
CColourClick ParseClick(const std::string& text) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos)
        return {"", ParsePoint("--click", text)};
    if (eq == 0)
        throw CToolError("--click needs a colour name before '=', got '" + text + "'");
    return {text.substr(0, eq), ParsePoint("--click", text.substr(eq + 1))};
}

int ParseMaxMarks(const std::string& text) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 1 || n > CColour::MaxMarksLimit)
        throw CToolError("--max-marks needs a whole number from 1 to " +
                         std::to_string(CColour::MaxMarksLimit) + ", got '" + text + "'");
    return static_cast<int>(n);
}

COutputFormat ParseFormat(const std::string& text) {
    if (text == "csv")
        return COutputFormat::Csv;
    if (text == "jsonl")
        return COutputFormat::Jsonl;
    throw CToolError("--format needs csv or jsonl, got '" + text + "'");
}

bool TakesValue(const std::string& name) {
    for (const char* option :
         {"--settings", "--save-settings", "--click", "--point", "--draw", "--frames", "--publish",
          "--colour", "--colours", "--save-colours", "--max-marks", "--format"})
        if (name == option)
            return true;
    return false;
}

void Apply(CTrackOptions& options, const std::string& name, const std::string& value) {
    if (value.empty())
        throw CToolError(name + " needs a non-empty value");
    if (name == "--settings")
        options.SettingsFile = value;
    else if (name == "--save-settings")
        options.SaveSettingsFile = value;
    else if (name == "--click")
        options.Clicks.push_back(ParseClick(value));
    else if (name == "--point")
        options.Point = ParsePoint(name, value);
    else if (name == "--colour")
        options.Colours.push_back(value);
    else if (name == "--colours")
        options.ColoursFile = value;
    else if (name == "--save-colours")
        options.SaveColoursFile = value;
    else if (name == "--max-marks")
        options.MaxMarks = ParseMaxMarks(value);
    else if (name == "--format")
        options.Format = ParseFormat(value);
    else if (name == "--draw")
        options.DrawPattern = value;
    else if (name == "--publish")
        options.Publish = ParseBrokerUrl(value);
    else
        options.Frames = ParseFrames(value);
}

}  // namespace

CTrackOptions ParseOptions(const std::vector<std::string>& args) {
    CTrackOptions options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.Sources.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.Help = true;
        } else if (arg == "--show-mask") {
            options.ShowMask = true;
        } else if (const size_t eq = arg.find('=');
                   eq != std::string::npos && TakesValue(arg.substr(0, eq))) {
            Apply(options, arg.substr(0, eq), arg.substr(eq + 1));
        } else if (TakesValue(arg)) {
            if (i + 1 >= args.size())
                throw CToolError(arg + " needs a value");
            Apply(options, arg, args[++i]);
        } else {
            throw CToolError("unknown option '" + arg + "' (see --help)");
        }
    }
    if (options.Help)
        return options;
    if (!options.Clicks.empty() && options.Point)
        throw CToolError("--click and --point both set the calibration point; give one");
    if (options.Sources.empty())
        throw CToolError("no SOURCE given (see --help)");
    return options;
}
