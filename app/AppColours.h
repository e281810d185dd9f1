#pragma once
#include "ColourSet.h"
#include "TrackingParams.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

// The run's colour set as the window shows and edits it, 1 to 16 colours.
//
// The first colour's limits are the application's record (CQueltaApp::TrackingParams), which
// the one-colour parts of the program (the configuration panel, the settings file, the store,
// the library's readers) have always edited in place; this object keeps everything else: the
// further colours, every name, display colour and MaxMarks, and which colour is selected (a
// click on the picture learns it, the panel edits it).
//
// Each colour carries a key that stays with it while it lives and is never reused, so that the
// result of a pass started before an edit of the set still finds the colour it learnt.
class CAppColours : public QObject {
    Q_OBJECT
public:
    enum class CRename { Done, BadName, NameTaken };

    explicit CAppColours(CTrackingParams& first);

    int Count() const { return static_cast<int>(Colours.Colours.size()); }
    const std::string& Name(int colour) const { return Colours.Colours[colour].Name; }
    uint32_t DisplayColour(int colour) const { return Colours.Colours[colour].DisplayColour; }
    // Colour 0: the application's record itself.
    CTrackingParams& Limits(int colour);
    uint64_t Key(int colour) const { return Keys[colour]; }

    // The whole set, the record's limits as its first colour's; into `set` and `keys` when
    // given, reusing their storage.
    CColourSet Set() const;
    void Snapshot(CColourSet& set, std::vector<uint64_t>& keys) const;
    // A loaded file or the store's set replaces every colour; the record keeps its flags. An
    // invalid set changes nothing (false).
    bool Replace(const CColourSet& set);

    int Selected() const { return Current; }
    void Select(int colour);

    // A colour with a proposed name and display colour and no limits learnt yet, selected;
    // -1 when the set is full.
    int Add();
    // Any colour but the last one left; the selection stays on the same colour, or moves to
    // the one before the removed one.
    bool Remove(int colour);
    CRename Rename(int colour, const QString& name);
    void SetDisplayColour(int colour, uint32_t rgb);
    // The six colour bounds a calibration learnt for the colour of `key`, if it is still there.
    void TakeCalibration(uint64_t key, const CTrackingParams& learnt);

    // A name that is not in the set yet: "color2", "color3", ...
    std::string ProposedName() const;
    // The first colour of a fixed palette that no colour of the set is drawn in.
    uint32_t ProposedDisplayColour() const;

signals:
    // Colours added, removed, renamed, recoloured or replaced (not limits: the pass reads
    // those afresh for every frame).
    void Changed();
    void SelectionChanged(int colour);

private:
    void RenewKeys();

    CTrackingParams& First;
    CColourSet Colours;  // the first colour's Limits are not kept here: First holds them
    std::vector<uint64_t> Keys;
    uint64_t NextKey = 1;
    int Current = 0;
};
