#pragma once
#include "ColourSet.h"
#include "TrackingParams.h"

#include <cstddef>
#include <string>

// The ".qta" settings file: twelve CR LF lines ("QTA 1", then the eleven limits by position).
// Load is all or nothing; save replaces the target atomically and leaves it alone on failure.
bool LoadSettingsFile(CTrackingParams& params, const std::string& path);
// The same, with the reason for a failed load, in words a program can show.
bool LoadSettingsFile(CTrackingParams& params, const std::string& path, std::string& problem);
bool SaveSettingsFile(const CTrackingParams& params, const std::string& path);

// A colour set in the same file. Its twelve lines are the first colour's limits, so every
// reader of one colour takes the set's first colour; a line "Colours N" follows, then the first
// colour's name, display colour and MaxMarks, then each further colour with its limits. A set of
// one colour with the default name (CColour::DefaultName), display colour and MaxMarks is
// written as the twelve lines alone, and a file of twelve lines reads as such a set.
//
// Load is all or nothing: on failure `set` is as it was and `problem` says why (with the line).
bool LoadColourSetFile(CColourSet& set, const std::string& path, std::string& problem);
// Refuses a set that is not valid (ColourSetProblem), writing nothing; otherwise as
// SaveSettingsFile.
bool SaveColourSetFile(const CColourSet& set, const std::string& path);
// The set that a file of twelve lines stands for: one colour with the default name, display
// colour and MaxMarks (its limits may be any). `set` must hold a colour.
bool IsPlainOneColour(const CColourSet& set);

// The most bytes a file holding a colour set may have: 16 colours with every line as long as it
// can be written. A longer file that holds a set fails to load.
extern const std::size_t ColourSetFileLimit;
