#pragma once
#include "ColourSet.h"
#include "MarkIdentities.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// One frame's marks as the jsonl object of quelta-track, its fields in this order:
// {"frame":N,"time":T,"marks":[{"id":..,"colour":"NAME","box":[x0,y0,x1,y1],"center":[x,y],
//  "pixels":P,"row":..,"col":..,"angle":..,"elongation":..,"age":..,"lost":..,
//  "velocity":[vx,vy]},...],"regions":{"NAME":n,...}}
// `time` is the capture time in seconds since 1970; `regions` holds one count per colour.
// (QJsonObject sorts its keys, so the text is written here; colour names need no escaping.)
QByteArray MarksObject(int64_t frame, double time, const CColourSet& set,
                       const std::vector<CTrackedMark>& marks, const std::vector<int>& regions);
