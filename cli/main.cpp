// quelta-track: the colour-mark tracker without a window. See Options.cpp for the interface.
#include "Kernels.h"
#include "Options.h"
#include "StopSignals.h"
#include "ToolError.h"
#include "TrackRun.h"

#include <opencv2/core/utils/logger.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

// The decoders behind OpenCV (libpng, FFmpeg, GStreamer) write their own complaints to
// stderr; a caller of this tool gets exactly one line from us instead. Their messages can be
// kept for debugging with QUELTA_TRACK_VERBOSE=1.
std::FILE* QuietLibraries() {
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    if (std::getenv("QUELTA_TRACK_VERBOSE"))
        return stderr;
    const int ours = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (ours < 0 || null < 0)
        return stderr;
    fcntl(ours, F_SETFD, FD_CLOEXEC);
    dup2(null, STDERR_FILENO);
    close(null);
    std::FILE* errors = fdopen(ours, "w");
    return errors ? errors : stderr;
}

int Fail(std::FILE* errors, const char* message) {
    std::fflush(stdout);
    std::fprintf(errors, "quelta-track: %s\n", message);
    std::fflush(errors);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    InstallStopSignals();            // first: from here on a signal is a request to stop
    QueltaKernels::ActiveKernels();  // a QUELTA_KERNELS it cannot meet is said on stderr
    std::FILE* errors = QuietLibraries();
    try {
        const CTrackOptions options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.Help) {
            std::fputs(UsageText, stdout);
            return 0;
        }
        RunTracking(options, stdout);
        return 0;
    } catch (const std::exception& error) {
        return Fail(errors, error.what());
    }
}
