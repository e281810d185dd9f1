#include "ImageSource.h"

#include "SourceState.h"

#include <opencv2/core/mat.hpp>

CImageSource::CImageSource() = default;
CImageSource::~CImageSource() = default;
CImageSource::CImageSource(const CImageSource&) = default;
CImageSource& CImageSource::operator=(const CImageSource&) = default;

// A source counts as opened once it has delivered one frame (it is then let go again, so a
// camera does not stay lit until capture is enabled), or when it is still busy starting after
// the probe's wait: a slow or stalled stream must not hold up the caller.
CImageSource CImageSource::Open(const std::string& name) {
    auto device = MakeCaptureDevice(name);
    if (!device)
        return {};
    auto state = std::make_shared<CSourceState>(name, std::move(device));
    if (!state->Probe())
        return {};
    CImageSource source;
    source.State = std::move(state);
    return source;
}

bool CImageSource::HasDevice() const { return State != nullptr; }

std::string CImageSource::Name() const { return State ? State->Name() : std::string(); }

bool CImageSource::EnableCapture(bool on) { return State && State->EnableCapture(on); }

int CImageSource::HasDialog(int n) const {
    if (!State)
        return -1;
    if (n == FormatDialog && !Formats().empty())
        return 0;
    if (n == SourceDialog && !Controls().empty())
        return 0;
    return -1;
}

int CImageSource::QueryProperty(int n, int& value) const {
    if (!State)
        return -1;
    const CCaptureFormat format = State->Device().CurrentFormat();
    if (n == FrameWidthProperty && format.Width > 0) {
        value = format.Width;
        return 0;
    }
    if (n == FrameHeightProperty && format.Height > 0) {
        value = format.Height;
        return 0;
    }
    return -1;
}

std::vector<CCaptureFormat> CImageSource::Formats() const {
    return State ? State->Device().Formats() : std::vector<CCaptureFormat>{};
}

CCaptureFormat CImageSource::CurrentFormat() const {
    return State ? State->Device().CurrentFormat() : CCaptureFormat{};
}

bool CImageSource::SetFormat(const CCaptureFormat& format) {
    return State && State->SetFormat(format);
}

std::vector<CCaptureControl> CImageSource::Controls() const {
    return State ? State->Device().Controls() : std::vector<CCaptureControl>{};
}

bool CImageSource::SetControl(uint32_t id, int value) {
    return State && State->Device().SetControl(id, value);
}

void CImageSource::Connect(CFrameSequence* sequence) const {
    if (!State || !sequence)
        return;
    sequence->NoteSource(State);
    State->AddSink(sequence);
}

void CImageSource::Disconnect(CFrameSequence* sequence) const {
    if (!State || !sequence)
        return;
    State->RemoveSink(sequence);
    sequence->ForgetSource(State.get());
}

CCaptureDevice* CImageSource::Device() const { return State ? &State->Device() : nullptr; }
