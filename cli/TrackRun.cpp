#include "TrackRun.h"

#include "ColorTracker.h"
#include "DrawPattern.h"
#include "FrameReader.h"
#include "ImageSource.h"
#include "MqttPublisher.h"
#include "PositionReport.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "StopSignals.h"
#include "ToolError.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace {

// Defaults, then the per-user store (read only: this tool never writes it), then --settings.
CTrackingParams StartValues(const CTrackOptions& options) {
    CTrackingParams params;
    ReadRegistry(params);
    if (!options.SettingsFile.empty() && !LoadSettingsFile(params, options.SettingsFile))
        throw CToolError("cannot load settings file '" + options.SettingsFile + "'");
    params.ShowMask = options.ShowMask;
    return params;
}

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

CPositionReport Report(long long frame, std::chrono::system_clock::time_point time,
                       const CColorTracker& tracker) {
    const CPassResult r = tracker.Result();
    CPositionReport report;
    report.Frame = frame;
    report.Time = std::chrono::duration<double>(time.time_since_epoch()).count();
    report.Found = r.Found;
    report.Regions = r.Regions;
    report.MinX = r.MinX;
    report.MinY = r.MinY;
    report.MaxX = r.MaxX;
    report.MaxY = r.MaxY;
    report.X = r.CenterX;
    report.Y = r.CenterY;
    report.Row = r.Row;
    report.Col = r.Col;
    return report;
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

}  // namespace

void RunTracking(const CTrackOptions& options, std::FILE* out) {
    CTrackingParams params = StartValues(options);
    const std::optional<CDrawPattern> pattern = CheckedPattern(options);
    const std::unique_ptr<CFrameReader> reader = OpenReader(options);
    auto tracker = std::make_unique<CColorTracker>();  // large: never on the stack
    if (options.Click) {
        tracker->SetCalibrationPoint(options.Click->X, options.Click->Y);
        tracker->RequestCalibration();
    } else if (options.Point) {
        tracker->SetCalibrationPoint(options.Point->X, options.Point->Y);
    }

    // After the source, so a broker never hears "online" from a run that cannot start.
    std::unique_ptr<CMqttPublisher> publisher;
    if (options.Publish)
        publisher = std::make_unique<CMqttPublisher>(*options.Publish);

    PrintHeader(out, reader->HasTruth());
    cv::Mat frame;
    // A stop signal ends the run between frames, never inside a CSV line.
    for (long long n = 0;
         (!options.Frames || n < *options.Frames) && !StopRequested() && reader->Next(frame); ++n) {
        const auto time = reader->CaptureTime().value_or(std::chrono::system_clock::now());
        tracker->Track(frame, params, pattern.has_value());
        const CPositionReport report = Report(n, time, *tracker);
        if (publisher)
            publisher->Publish(report);
        PrintRow(out, report);
        if (reader->HasTruth())
            PrintTruth(out, reader->Truth());
        std::fputc('\n', out);
        if (reader->IsLive())
            std::fflush(out);
        if (pattern)
            WriteDrawn(frame, pattern->FileFor(n));
    }
    std::fflush(out);
    if (!options.SaveSettingsFile.empty() && !SaveSettingsFile(params, options.SaveSettingsFile))
        throw CToolError("cannot save settings file '" + options.SaveSettingsFile + "'");
}
