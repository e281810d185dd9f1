#include "SettingsStore.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>

namespace {

// The one place that names the store: ~/.config/Orda/Quelta.conf.
constexpr char Organisation[] = "Orda";
constexpr char Application[] = "Quelta";
constexpr char SourceKey[] = "Capture/Source";

struct CStoredValue {
    const char* Name;
    uint32_t Limit;
};

// Always read and written in this order.
constexpr std::array<CStoredValue, 12> Values{{
    {"lMin", 255},
    {"lMax", 255},
    {"a1Min", 255},
    {"a1Max", 255},
    {"a2Min", 255},
    {"a2Max", 255},
    {"MinARatio", 100},
    {"MinWidth", 640},
    {"MaxWidth", 640},
    {"MinHeight", 480},
    {"MaxHeight", 480},
    {"VideoConfigured", 255},
}};

// Pointers to the record's fields in the order of Values (the flag is handled apart).
std::array<uint8_t*, 6> ColorFields(CTrackingParams& p) {
    return {&p.lMin, &p.lMax, &p.a1Min, &p.a1Max, &p.a2Min, &p.a2Max};
}
std::array<uint32_t*, 5> LimitFields(CTrackingParams& p) {
    return {&p.MinARatio, &p.MinWidth, &p.MaxWidth, &p.MinHeight, &p.MaxHeight};
}

// A stored value counts only when it is a whole number from 0 to 4294967295 (what a 32-bit
// value can hold); text, lists, signs, fractions and larger numbers are ignored like a value
// of the wrong length.
std::optional<uint32_t> StoredNumber(const QVariant& value) {
    qulonglong number = 0;
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text.isEmpty() || text.size() > 10)
            return std::nullopt;
        for (QChar c : text) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        number = text.toULongLong();
        break;
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (value.toLongLong() < 0)
            return std::nullopt;
        number = value.toULongLong();
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        number = value.toULongLong();
        break;
    default:
        return std::nullopt;
    }
    if (number > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(number);
}

std::optional<uint32_t> ReadValue(const QSettings& store, const CStoredValue& v) {
    if (!store.contains(QLatin1String(v.Name)))
        return std::nullopt;
    const std::optional<uint32_t> number = StoredNumber(store.value(QLatin1String(v.Name)));
    if (!number || *number > v.Limit)
        return std::nullopt;
    return number;
}

}  // namespace

// Reads only: a missing group or file simply leaves every field as it was. Writing nothing
// here matters, because quelta-track and the library read the store but must never change it.
bool ReadRegistry(CTrackingParams& params) {
    QSettings store(Organisation, Application);
    if (store.status() != QSettings::NoError)
        return false;
    store.beginGroup(QStringLiteral("Settings"));
    const auto colors = ColorFields(params);
    const auto limits = LimitFields(params);
    for (size_t i = 0; i < Values.size(); ++i) {
        const std::optional<uint32_t> number = ReadValue(store, Values[i]);
        if (!number)
            continue;
        if (i < colors.size())
            *colors[i] = static_cast<uint8_t>(*number);
        else if (i < colors.size() + limits.size())
            *limits[i - colors.size()] = *number;
        else
            params.VideoConfigured = static_cast<uint8_t>(*number) != 0;
    }
    return true;
}

bool WriteRegistry(const CTrackingParams& params) {
    QSettings store(Organisation, Application);
    if (store.status() != QSettings::NoError)
        return false;
    CTrackingParams copy = params;
    const auto colors = ColorFields(copy);
    const auto limits = LimitFields(copy);
    store.beginGroup(QStringLiteral("Settings"));
    for (size_t i = 0; i < Values.size(); ++i) {
        uint32_t number = params.VideoConfigured ? 1 : 0;
        if (i < colors.size())
            number = *colors[i];
        else if (i < colors.size() + limits.size())
            number = *limits[i - colors.size()];
        store.setValue(QLatin1String(Values[i].Name), static_cast<uint>(number));
    }
    store.endGroup();
    // A store that cannot be written (folder or file not writable, disk full) says so only
    // after sync.
    store.sync();
    return store.status() == QSettings::NoError;
}

std::string RememberedSource() {
    const QSettings store(Organisation, Application);
    return store.value(SourceKey).toString().toStdString();
}

bool RememberSource(const std::string& name) {
    QSettings store(Organisation, Application);
    store.setValue(SourceKey, QString::fromStdString(name));
    store.sync();
    return store.status() == QSettings::NoError;
}
