#pragma once
#include "TrackingParams.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

// The eleven limits of the record by their stored names, in the order both the settings file
// and the store keep them, with the largest value each may hold. The settings file, the store,
// the configuration panel and the Python module all take the names, limits and fields from here.
struct CLimitField {
    const char* Name;
    uint32_t Limit;
    uint8_t CTrackingParams::*Byte;   // the colour bounds are 8-bit ...
    uint32_t CTrackingParams::*Word;  // ... the size and aspect limits 32-bit

    uint32_t Get(const CTrackingParams& p) const { return Byte ? p.*Byte : p.*Word; }
    // `value` must be within Limit.
    void Set(CTrackingParams& p, uint32_t value) const {
        if (Byte)
            p.*Byte = static_cast<uint8_t>(value);
        else
            p.*Word = value;
    }
};

// clang-format off
inline constexpr std::array<CLimitField, 11> LimitFields = [] {
    using P = CTrackingParams;
    return std::array<CLimitField, 11>{{
        {"lMin",      P::ColorLimit,  &P::lMin,  nullptr},
        {"lMax",      P::ColorLimit,  &P::lMax,  nullptr},
        {"a1Min",     P::ColorLimit,  &P::a1Min, nullptr},
        {"a1Max",     P::ColorLimit,  &P::a1Max, nullptr},
        {"a2Min",     P::ColorLimit,  &P::a2Min, nullptr},
        {"a2Max",     P::ColorLimit,  &P::a2Max, nullptr},
        {"MinARatio", P::RatioLimit,  nullptr,   &P::MinARatio},
        {"MinWidth",  P::WidthLimit,  nullptr,   &P::MinWidth},
        {"MaxWidth",  P::WidthLimit,  nullptr,   &P::MaxWidth},
        {"MinHeight", P::HeightLimit, nullptr,   &P::MinHeight},
        {"MaxHeight", P::HeightLimit, nullptr,   &P::MaxHeight},
    }};
}();
// clang-format on

// The field stored under `name`; a name that is not in the table does not compile where the
// call is a constant expression.
constexpr const CLimitField& LimitField(std::string_view name) {
    for (const CLimitField& field : LimitFields)
        if (name == field.Name)
            return field;
    throw std::invalid_argument("no limit field of that name");
}
