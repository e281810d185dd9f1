#include "TrackRun.h"

#include "ColorTracker.h"
#include "DrawPattern.h"
#include "FrameReader.h"
#include "ImageSource.h"
#include "MarkIdentities.h"
#include "MarksReport.h"
#include "MqttPublisher.h"
#include "PositionReport.h"
#include "SettingsFile.h"
#include "StartValues.h"
#include "StopSignals.h"
#include "ToolError.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

std::unique_ptr<CFrameReader> OpenReader(const CTrackOptions& options) {
    const auto& sources = options.Sources;
    // A source name is always live, so the meaning never depends on what the working folder
    // holds; a file that happens to carry such a name is reached as ./NAME.
    for (const std::string& source : sources) {
        if (IsSourceName(source) && sources.size() > 1)
            throw CToolError("live source '" + source + "' must be the only source");
    }
    if (!IsSourceName(sources.front()))
        return OpenFileReader(sources);
    if (!options.Frames)
        throw CToolError("live source '" + sources.front() + "' needs --frames N");
    return OpenLiveReader(sources.front());
}

std::optional<CDrawPattern> CheckedPattern(const CTrackOptions& options) {
    if (options.DrawPattern.empty())
        return std::nullopt;
    CDrawPattern pattern(options.DrawPattern);
    if (!cv::haveImageWriter(pattern.FileFor(0)))
        throw CToolError("--draw '" + options.DrawPattern +
                         "': no image format for that name (use e.g. .png or .jpg)");
    return pattern;
}

// Written without alpha: the frame's fourth byte carries no meaning, and some formats
// (JPEG, PPM) take three channels only.
void WriteDrawn(const cv::Mat& frame, const std::string& file) {
    cv::Mat bgr;
    cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
    bool written = false;
    try {
        written = cv::imwrite(file, bgr);
    } catch (const cv::Exception&) {
    }
    if (!written)
        throw CToolError("cannot write drawn frame '" + file + "'");
}

void PrintHeader(std::FILE* out, bool truth) {
    std::fputs("frame,found,regions,min_x,min_y,max_x,max_y,center_x,center_y,row,col", out);
    std::fputs(truth ? ",truth_x,truth_y\n" : "\n", out);
}

void PrintRow(std::FILE* out, const CPositionReport& r) {
    std::fprintf(out, "%lld,%d,%d", r.Frame, r.Found ? 1 : 0, r.Regions);
    if (!r.Found) {
        std::fputs(",,,,,,,,", out);
        return;
    }
    std::fprintf(out, ",%u,%u,%u,%u,%.2f,%.2f,%.2f,%.2f", r.MinX, r.MinY, r.MaxX, r.MaxY, r.X, r.Y,
                 r.Row, r.Col);
}

void PrintTruth(std::FILE* out, const std::optional<cv::Point2f>& truth) {
    if (truth)
        std::fprintf(out, ",%.2f,%.2f", truth->x, truth->y);
    else
        std::fputs(",,", out);
}

// One run: its start values, source, engine, identities and outputs, frame by frame.
class CTrackRun {
public:
    explicit CTrackRun(const CTrackOptions& options);
    void Run(std::FILE* out);

private:
    void LearnColours(cv::Mat& frame);
    void Frame(long long n, cv::Mat& frame, std::FILE* out);
    std::string MarksLine(long long n, double time, const std::vector<CTrackedMark>& tracked);
    void Save() const;

    const CTrackOptions& Options;
    CStartValues Start;
    std::optional<CDrawPattern> Pattern;
    std::unique_ptr<CFrameReader> Reader;
    std::unique_ptr<CColorTracker> Tracker = std::make_unique<CColorTracker>();  // large
    CMarkIdentities Identities;  // one source and one run: never reset
    std::unique_ptr<CMqttPublisher> Publisher;
};

CTrackRun::CTrackRun(const CTrackOptions& options)
    : Options(options), Start(StartValues(options)), Pattern(CheckedPattern(options)),
      Reader(OpenReader(options)) {
    if (options.Point)
        Tracker->SetCalibrationPoint(options.Point->X, options.Point->Y);
    // After the source, so a broker never hears "online" from a run that cannot start.
    if (options.Publish) {
        std::vector<std::string> names;
        for (const CColour& colour : Start.Set.Colours)
            names.push_back(colour.Name);
        Publisher = std::make_unique<CMqttPublisher>(*options.Publish, names);
    }
}

void CTrackRun::Run(std::FILE* out) {
    if (Options.Format == COutputFormat::Csv)
        PrintHeader(out, Reader->HasTruth());
    cv::Mat frame;
    // A stop signal ends the run between frames, never inside an output line.
    for (long long n = 0;
         (!Options.Frames || n < *Options.Frames) && !StopRequested() && Reader->Next(frame); ++n) {
        if (n == 0)
            LearnColours(frame);
        Frame(n, frame, out);
    }
    std::fflush(out);
    Save();
}

// The engine learns one colour in a pass: each click but the last has a pass of its own on
// the first frame, and the last is learnt by the frame's own pass. The last point stays the
// calibration point, as a single --click leaves it.
void CTrackRun::LearnColours(cv::Mat& frame) {
    const std::vector<CLearnAt>& learn = Start.Learn;
    for (size_t i = 0; i < learn.size(); ++i) {
        Tracker->SetCalibrationPoint(learn[i].At.X, learn[i].At.Y);
        Tracker->RequestCalibration(learn[i].Colour);
        if (i + 1 < learn.size())
            Tracker->TrackColours(frame, Start.Set, false);  // not drawn: the frame is unchanged
    }
}

void CTrackRun::Frame(long long n, cv::Mat& frame, std::FILE* out) {
    const auto captured = Reader->CaptureTime().value_or(std::chrono::system_clock::now());
    const double time = std::chrono::duration<double>(captured.time_since_epoch()).count();
    Tracker->TrackColours(frame, Start.Set, Pattern.has_value(), Options.ShowMask ? 0 : -1);
    const std::vector<CTrackedMark>& tracked =
        Identities.Update(Tracker->Marks(), time, frame.cols, frame.rows);
    const CPositionReport report = FirstMarkReport(n, time, *Tracker);
    const bool jsonl = Options.Format == COutputFormat::Jsonl;
    const std::string marks = jsonl || Publisher ? MarksLine(n, time, tracked) : std::string();
    if (Publisher) {
        Publisher->Publish(report);
        Publisher->PublishMarks(marks, ColoursPresent(*Tracker, Start.Set.Colours.size()));
    }
    if (jsonl) {
        std::fputs(marks.c_str(), out);
    } else {
        PrintRow(out, report);
        if (Reader->HasTruth())
            PrintTruth(out, Reader->Truth());
    }
    std::fputc('\n', out);
    if (Reader->IsLive())
        std::fflush(out);
    if (Pattern)
        WriteDrawn(frame, Pattern->FileFor(n));
}

std::string CTrackRun::MarksLine(long long n, double time,
                                 const std::vector<CTrackedMark>& tracked) {
    const std::vector<CTestMark> truth = Reader->TruthMarks();
    CMarksReport report;
    report.Frame = n;
    report.Time = time;
    report.Colours = Start.Set.Colours;
    report.Marks = tracked;
    report.Regions = Tracker->ColourRegions();
    report.HasTruth = Reader->HasTruth();
    report.Truth = truth;
    return MarksJson(report);
}

void CTrackRun::Save() const {
    const CColourSet& set = Start.Set;
    if (!Options.SaveSettingsFile.empty() &&
        !SaveSettingsFile(set.Colours.front().Limits, Options.SaveSettingsFile))
        throw CToolError("cannot save settings file '" + Options.SaveSettingsFile + "'");
    if (!Options.SaveColoursFile.empty() && !SaveColourSetFile(set, Options.SaveColoursFile))
        throw CToolError("cannot save colour set file '" + Options.SaveColoursFile + "'");
}

}  // namespace

void RunTracking(const CTrackOptions& options, std::FILE* out) { CTrackRun(options).Run(out); }
