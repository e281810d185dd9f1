#include "AppColours.h"

#include "LimitFields.h"

#include <algorithm>
#include <array>

namespace {
// Display colours for new colours, after the first colour's red: saturated and far apart, and
// none the calibration window's green.
constexpr std::array<uint32_t, 16> Palette{
    0xFF0000, 0x00C8FF, 0xFFD700, 0xFF00FF, 0x00FF80, 0xFF8000, 0x8080FF, 0x00FFFF,
    0xFF0080, 0x80FF00, 0x0040FF, 0xFFFFFF, 0x8000FF, 0xFF8080, 0x008080, 0x808000,
};

// The eleven limits only: the record's flags (ShowMask, VideoConfigured) are not a colour's.
void CopyLimits(const CTrackingParams& from, CTrackingParams& to) {
    for (const CLimitField& field : LimitFields)
        field.Set(to, field.Get(from));
}

void CopyColourBounds(const CTrackingParams& from, CTrackingParams& to) {
    to.lMin = from.lMin, to.lMax = from.lMax;
    to.a1Min = from.a1Min, to.a1Max = from.a1Max;
    to.a2Min = from.a2Min, to.a2Max = from.a2Max;
}
}  // namespace

CAppColours::CAppColours(CTrackingParams& first) : First(first) {
    Colours.Colours.emplace_back().Name = CColour::DefaultName;
    RenewKeys();
}

CTrackingParams& CAppColours::Limits(int colour) {
    return colour == 0 ? First : Colours.Colours[colour].Limits;
}

CColourSet CAppColours::Set() const {
    CColourSet set = Colours;
    set.Colours.front().Limits = First;
    return set;
}

void CAppColours::Snapshot(CColourSet& set, std::vector<uint64_t>& keys) const {
    set.Colours.assign(Colours.Colours.begin(), Colours.Colours.end());
    set.Colours.front().Limits = First;
    keys.assign(Keys.begin(), Keys.end());
}

bool CAppColours::Replace(const CColourSet& set) {
    if (ColourSetProblem(set))
        return false;
    Colours = set;
    CopyLimits(set.Colours.front().Limits, First);
    RenewKeys();
    Current = std::min(Current, Count() - 1);
    emit Changed();
    emit SelectionChanged(Current);
    return true;
}

void CAppColours::Select(int colour) {
    if (colour < 0 || colour >= Count() || colour == Current)
        return;
    Current = colour;
    emit SelectionChanged(Current);
}

int CAppColours::Add() {
    if (Colours.Colours.size() >= CColourSet::MaxColours)
        return -1;
    CColour colour;
    colour.Name = ProposedName();
    colour.DisplayColour = ProposedDisplayColour();
    Colours.Colours.push_back(std::move(colour));
    Keys.push_back(NextKey++);
    emit Changed();
    Select(Count() - 1);
    return Count() - 1;
}

bool CAppColours::Remove(int colour) {
    if (Count() <= 1 || colour < 0 || colour >= Count())
        return false;
    if (colour == 0)
        CopyLimits(Colours.Colours[1].Limits, First);  // the next colour becomes the first
    Colours.Colours.erase(Colours.Colours.begin() + colour);
    Keys.erase(Keys.begin() + colour);
    if (Current > colour || (Current == colour && colour > 0))
        --Current;
    emit Changed();
    emit SelectionChanged(Current);  // the same colour may now have another index
    return true;
}

CAppColours::CRename CAppColours::Rename(int colour, const QString& name) {
    const std::string wanted = name.toStdString();
    if (!IsValidColourName(wanted))
        return CRename::BadName;
    const int holder = Colours.Find(wanted);
    if (holder >= 0 && holder != colour)
        return CRename::NameTaken;
    if (holder != colour) {
        Colours.Colours[colour].Name = wanted;
        emit Changed();
    }
    return CRename::Done;
}

void CAppColours::SetDisplayColour(int colour, uint32_t rgb) {
    rgb &= 0xFFFFFF;
    if (Colours.Colours[colour].DisplayColour == rgb)
        return;
    Colours.Colours[colour].DisplayColour = rgb;
    emit Changed();
}

void CAppColours::TakeCalibration(uint64_t key, const CTrackingParams& learnt) {
    const auto it = std::find(Keys.begin(), Keys.end(), key);
    if (it != Keys.end())
        CopyColourBounds(learnt, Limits(static_cast<int>(it - Keys.begin())));
}

std::string CAppColours::ProposedName() const {
    for (int n = Count() + 1;; ++n) {
        std::string name = "color" + std::to_string(n);
        if (Colours.Find(name) < 0)
            return name;
    }
}

uint32_t CAppColours::ProposedDisplayColour() const {
    for (uint32_t rgb : Palette) {
        const bool used = std::any_of(Colours.Colours.begin(), Colours.Colours.end(),
                                      [rgb](const CColour& c) { return c.DisplayColour == rgb; });
        if (!used)
            return rgb;
    }
    return Palette.back();
}

void CAppColours::RenewKeys() {
    Keys.clear();
    for (std::size_t i = 0; i < Colours.Colours.size(); ++i)
        Keys.push_back(NextKey++);
}
