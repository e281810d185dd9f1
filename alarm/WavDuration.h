#pragma once

#include <QString>

#include <optional>

// How long a PCM WAV file plays, from its header; nothing when the file is not one.
std::optional<int> WavDurationMs(const QString& fileName);
