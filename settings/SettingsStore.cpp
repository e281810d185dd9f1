#include "SettingsStore.h"

#include <QFile>
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
constexpr char SourceGroup[] = "Capture";
constexpr char SourceName[] = "Source";
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

// A malformed line elsewhere in the file (a half-written file, a hand edit) only sets
// FormatError; every well-formed value is still there. Only a store that cannot be read at all
// counts as a failure.
bool Readable(const QSettings& store) { return store.status() != QSettings::AccessError; }

// A group line as QSettings reads it: from '[' to the first ']' (or the line's end); whatever
// follows the ']' (a hand-written remark) is ignored.
QString GroupOf(const QString& line) {
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    return line.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

// The text after "Source=" in [Capture], as the file holds it. QSettings splits an unquoted
// value at its commas (a GStreamer pipeline has many), so a hand-written pipeline reaches us as
// a list; the line itself still says what the user wrote.
QString RawSourceLine(const QSettings& store) {
    QFile file(store.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            group = GroupOf(line);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (group == QLatin1String(SourceGroup) && equals > 0 &&
            line.left(equals).trimmed() == QLatin1String(SourceName))
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

// A list of texts, or of values when one of the parts begins with '@' (QSettings' mark of a
// typed value): either way the user wrote one text with commas in it.
bool IsList(const QVariant& value) {
    return value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList;
}

QString StoredSource(const QSettings& store) {
    const QVariant value = store.value(SourceKey);
    if (IsList(value))
        return RawSourceLine(store);
    return value.toString();
}

}  // namespace

// Reads only: a missing group or file simply leaves every field as it was. Writing nothing
// here matters, because quelta-track and the library read the store but must never change it.
bool ReadRegistry(CTrackingParams& params) {
    QSettings store(Organisation, Application);
    if (!Readable(store))
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
    if (!Readable(store))
        return false;
    // Rewriting the file would store a hand-written pipeline as the list QSettings read it as;
    // it goes back as the one text it is.
    if (IsList(store.value(SourceKey)))
        store.setValue(SourceKey, RawSourceLine(store));
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
    return Readable(store);
}

std::string RememberedSource() {
    const QSettings store(Organisation, Application);
    return StoredSource(store).toStdString();
}

bool RememberSource(const std::string& name) {
    QSettings store(Organisation, Application);
    store.setValue(SourceKey, QString::fromStdString(name));
    store.sync();
    return Readable(store);
}
