// The library's C interface: one tracking run at a time, reachable from any thread.
#include "quelta.h"

#include "LibraryTracker.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "SourceChoice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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

// One colour with the default limits: what is tracked where the store cannot be read.
CColourSet DefaultSet() {
    CColourSet set;
    set.Colours.emplace_back().Name = CColour::DefaultName;
    return set;
}

// The store's set, its first colour the limits of group "Settings" as ReadRegistry reads them.
std::optional<CColourSet> StoredSet() {
    CColourSet set = DefaultSet();
    if (!ReadColourSet(set))
        return std::nullopt;
    return set;
}

// The colours' names: of the running set, else of the store's now.
std::vector<std::string> ColourNames() {
    if (const std::shared_ptr<CLibraryTracker> run = CurrentRun())
        return run->ColourNames();
    std::vector<std::string> names;
    if (const std::optional<CColourSet> set = StoredSet())
        for (const CColour& colour : set->Colours)
            names.push_back(colour.Name);
    return names;
}

QTAMarca CMarca(const CTrackedMark& t) {
    const CMark& m = t.Mark;
    QTAMarca out{};
    out.Id = t.Id;
    out.Colour = m.Colour;
    out.MinX = m.MinX;
    out.MinY = m.MinY;
    out.MaxX = m.MaxX;
    out.MaxY = m.MaxY;
    out.CenterX = m.CenterX;
    out.CenterY = m.CenterY;
    out.PixelCount = m.PixelCount;
    out.Row = m.Row;
    out.Col = m.Col;
    out.Angle = m.Angle;
    out.Elongation = m.Elongation;
    out.Age = t.Age;
    out.Lost = t.Lost;
    out.VelocityX = t.VelocityX;
    out.VelocityY = t.VelocityY;
    return out;
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
    std::shared_ptr<CLibraryTracker> started =
        CLibraryTracker::Start(CImageSource::Open(name), StoredSet().value_or(DefaultSet()));
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

QUELTA_API int QTAObtenirMarques(QTAMarca* marques, int capacitat) {
    const std::shared_ptr<CLibraryTracker> run = CurrentRun();
    if (!run || !marques || capacitat <= 0)
        return 0;
    const std::vector<CTrackedMark> marks = run->Marks(std::chrono::steady_clock::now());
    const std::size_t count = std::min(marks.size(), static_cast<std::size_t>(capacitat));
    for (std::size_t i = 0; i < count; ++i)
        marques[i] = CMarca(marks[i]);
    return static_cast<int>(count);
}

QUELTA_API short QTAObtenirPosicioColor(int color, short* x, short* y) {
    const std::shared_ptr<CLibraryTracker> run = CurrentRun();
    if (!run || color < 0 || static_cast<std::size_t>(color) >= run->ColourNames().size())
        return 0;
    const auto report = run->Position(std::chrono::steady_clock::now(), color);
    if (!report)
        return 0;
    if (x)
        *x = ToShort(report->Col);
    if (y)
        *y = ToShort(report->Row);
    return 1;
}

QUELTA_API int QTANombreColors(void) { return static_cast<int>(ColourNames().size()); }

QUELTA_API int QTANomColor(int color, char* nom, int capacitat) {
    if (!nom || color < 0)
        return 0;
    const std::vector<std::string> names = ColourNames();
    if (static_cast<std::size_t>(color) >= names.size())
        return 0;
    const std::string& name = names[static_cast<std::size_t>(color)];
    if (capacitat < 0 || static_cast<std::size_t>(capacitat) < name.size() + 1)
        return 0;
    std::memcpy(nom, name.c_str(), name.size() + 1);
    return static_cast<int>(name.size());
}

}  // extern "C"
