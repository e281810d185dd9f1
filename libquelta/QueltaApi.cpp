// The library's C interface: one tracking run at a time, reachable from any thread.
#include "quelta.h"

#include "LibraryTracker.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "SourceChoice.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <string>

namespace {

// The one tracking run. Initialisation and finalisation take LifecycleLock and run one at a
// time; the run itself is handed out under the short RunLock, so a position query never
// waits for a camera being opened or closed.
struct CLibraryState {
    std::mutex LifecycleLock;
    std::mutex RunLock;
    std::shared_ptr<CLibraryTracker> Run;

    // A program that exits or unloads the library without QTAFinalitza still gets its
    // camera released and the thread ended. Made at the first call, so this runs before the
    // static objects of the libraries that were loaded before it go away.
    ~CLibraryState() {
        std::lock_guard lifecycle(LifecycleLock);
        std::shared_ptr<CLibraryTracker> ending;
        {
            std::lock_guard guard(RunLock);
            ending.swap(Run);
        }
        if (ending)
            ending->Stop();
    }
};

CLibraryState& State() {
    static CLibraryState state;
    return state;
}

std::shared_ptr<CLibraryTracker> CurrentRun() {
    std::lock_guard guard(State().RunLock);
    return State().Run;
}

std::string SourceName(int source) {
    if (source == 0)
        return RememberedSource();
    if (source < 0)
        return "testcam";
    const auto devices = ListVideoDevices();
    if (static_cast<size_t>(source) > devices.size())
        return {};
    return devices[static_cast<size_t>(source) - 1].Name;
}

short ToShort(float value) {
    const long rounded = std::lround(value);
    return static_cast<short>(rounded < -32768 ? -32768 : rounded > 32767 ? 32767 : rounded);
}

}  // namespace

extern "C" {

QUELTA_API short QTAInicialitza(int source) {
    std::lock_guard lifecycle(State().LifecycleLock);
    if (CurrentRun())
        return 1;
    const std::string name = SourceName(source);
    if (name.empty())
        return 0;
    CTrackingParams params;
    ReadRegistry(params);
    std::shared_ptr<CLibraryTracker> started =
        CLibraryTracker::Start(CImageSource::Open(name), params);
    if (!started)
        return 0;
    std::lock_guard guard(State().RunLock);
    State().Run = std::move(started);
    return 1;
}

QUELTA_API short QTAObtenirPosicio(short* x, short* y) {
    const std::shared_ptr<CLibraryTracker> run = CurrentRun();
    if (!run)
        return 0;
    const auto report = run->Position(std::chrono::steady_clock::now());
    if (!report)
        return 0;
    if (x)
        *x = ToShort(report->Col);
    if (y)
        *y = ToShort(report->Row);
    return 1;
}

QUELTA_API void QTAFinalitza(void) {
    std::lock_guard lifecycle(State().LifecycleLock);
    std::shared_ptr<CLibraryTracker> ending;
    {
        std::lock_guard guard(State().RunLock);
        ending.swap(State().Run);
    }
    // Stopped here, not whenever the last concurrent query lets go of it: the camera is
    // released when this call returns.
    if (ending)
        ending->Stop();
}

QUELTA_API short QTACarregarAjustos(const char* path) {
    const std::shared_ptr<CLibraryTracker> run = CurrentRun();
    if (!run || !path)
        return 0;
    CTrackingParams params;
    if (!LoadSettingsFile(params, path))
        return 0;
    run->UseParams(params);
    return 1;
}

}  // extern "C"
