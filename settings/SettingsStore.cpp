#include "SettingsStore.h"

#include "LimitFields.h"
#include "StoreName.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace {

constexpr char SettingsGroup[] = "Settings";  // the twelve values, the first colour's limits
constexpr char SourceGroup[] = "Capture";
constexpr char SourceName[] = "Source";
constexpr char SourceKey[] = "Capture/Source";

// The flag stored after the eleven limits; any value from 0 to 255 is taken, non-zero as set.
constexpr char FlagName[] = "VideoConfigured";
constexpr uint32_t FlagLimit = 255;

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

std::optional<uint32_t> ReadValue(const QSettings& store, const char* name, uint32_t limit) {
    if (!store.contains(QLatin1String(name)))
        return std::nullopt;
    const std::optional<uint32_t> number = StoredNumber(store.value(QLatin1String(name)));
    if (!number || *number > limit)
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

void ReadLimits(const QSettings& store, CTrackingParams& limits) {
    for (const CLimitField& field : LimitFields)
        if (const auto number = ReadValue(store, field.Name, field.Limit))
            field.Set(limits, *number);
}

void WriteLimits(QSettings& store, const CTrackingParams& limits) {
    for (const CLimitField& field : LimitFields)
        store.setValue(QLatin1String(field.Name), static_cast<uint>(field.Get(limits)));
}

// Rewriting the file would store a hand-written pipeline as the list QSettings read it as;
// it goes back as the one text it is.
void KeepHandWrittenSource(QSettings& store) {
    if (IsList(store.value(SourceKey)))
        store.setValue(SourceKey, RawSourceLine(store));
}

// The colour set beyond [Settings]: a QSettings array "Colours" (keys size, 1/Name, ...).
// Entry 1 holds the first colour's name, display colour and MaxMarks, whose limits are the
// ones in [Settings]; entries 2 and on hold a colour each, limits included.
constexpr char ColoursGroup[] = "Colours";
constexpr char SizeName[] = "size";
constexpr char NameName[] = "Name";
constexpr char DisplayName[] = "Display";
constexpr char MaxMarksName[] = "MaxMarks";

std::optional<std::string> StoredName(const QSettings& store) {
    const QVariant value = store.value(QLatin1String(NameName));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const std::string name = value.toString().toStdString();
    if (!IsValidColourName(name))
        return std::nullopt;
    return name;
}

bool IsHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

// Six hexadecimal digits, RRGGBB, as the settings file has them.
std::optional<uint32_t> StoredDisplay(const QSettings& store) {
    const QVariant value = store.value(QLatin1String(DisplayName));
    const QString text = value.typeId() == QMetaType::QString ? value.toString() : QString();
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), IsHexDigit))
        return std::nullopt;
    return text.toUInt(nullptr, 16);
}

// One entry of the array into `colour`: what is missing or bad leaves its field as it was.
void ReadColourEntry(QSettings& store, std::size_t index, CColour& colour) {
    store.beginGroup(QString::number(index + 1));
    if (const auto name = StoredName(store))
        colour.Name = *name;
    if (const auto display = StoredDisplay(store))
        colour.DisplayColour = *display;
    if (const auto marks = ReadValue(store, MaxMarksName, CColour::MaxMarksLimit); marks && *marks)
        colour.MaxMarks = static_cast<int>(*marks);
    if (index > 0)
        ReadLimits(store, colour.Limits);
    store.endGroup();
}

// A field the store never sets (the caller's own value) that is out of range takes its default.
void MendFields(CColour& colour) {
    const CColour defaults;
    for (const CLimitField& field : LimitFields)
        if (field.Get(colour.Limits) > field.Limit)
            field.Set(colour.Limits, field.Get(defaults.Limits));
    if (colour.DisplayColour > 0xFFFFFF)
        colour.DisplayColour = defaults.DisplayColour;
    if (colour.MaxMarks < 1 || colour.MaxMarks > CColour::MaxMarksLimit)
        colour.MaxMarks = defaults.MaxMarks;
}

// A valid set from what was read: the first colour stays (named CColour::DefaultName when it
// has no valid name); a further colour without a valid name, or with a name used before it, is
// dropped.
CColourSet ValidSet(const CColourSet& read) {
    CColourSet set;
    for (CColour colour : read.Colours) {
        MendFields(colour);
        if (set.Colours.empty() && !IsValidColourName(colour.Name))
            colour.Name = CColour::DefaultName;
        if (set.Colours.empty() || (IsValidColourName(colour.Name) && set.Find(colour.Name) < 0))
            set.Colours.push_back(std::move(colour));
    }
    return set;
}

}  // namespace

// Reads only: a missing group or file simply leaves every field as it was. Writing nothing
// here matters, because quelta-track and the library read the store but must never change it.
bool ReadRegistry(CTrackingParams& params) {
    QSettings store(StoreOrganisation, StoreApplication);
    if (!Readable(store))
        return false;
    store.beginGroup(QLatin1String(SettingsGroup));
    ReadLimits(store, params);
    if (const auto flag = ReadValue(store, FlagName, FlagLimit))
        params.VideoConfigured = static_cast<uint8_t>(*flag) != 0;
    return true;
}

bool WriteRegistry(const CTrackingParams& params) {
    QSettings store(StoreOrganisation, StoreApplication);
    if (!Readable(store))
        return false;
    KeepHandWrittenSource(store);
    store.beginGroup(QLatin1String(SettingsGroup));
    WriteLimits(store, params);
    store.setValue(QLatin1String(FlagName), static_cast<uint>(params.VideoConfigured ? 1 : 0));
    store.endGroup();
    // A store that cannot be written (folder or file not writable, disk full) says so only
    // after sync.
    store.sync();
    return Readable(store);
}

bool ReadColourSet(CColourSet& set) {
    QSettings store(StoreOrganisation, StoreApplication);
    if (!Readable(store))
        return false;
    CColourSet read = set;
    if (read.Colours.empty())
        read.Colours.emplace_back().Name = CColour::DefaultName;
    store.beginGroup(QLatin1String(SettingsGroup));
    ReadLimits(store, read.Colours.front().Limits);
    store.endGroup();
    store.beginGroup(QLatin1String(ColoursGroup));
    // A size of 0 is no set; a size beyond MaxColours keeps the first MaxColours.
    if (const auto size = ReadValue(store, SizeName, UINT32_MAX); size && *size > 0)
        read.Colours.resize(std::min<std::size_t>(*size, CColourSet::MaxColours));
    read.Colours.resize(std::min(read.Colours.size(), CColourSet::MaxColours));
    for (std::size_t i = 0; i < read.Colours.size(); ++i)
        ReadColourEntry(store, i, read.Colours[i]);
    store.endGroup();
    set = ValidSet(read);
    return true;
}

bool WriteColourSet(const CColourSet& set) {
    if (ColourSetProblem(set))
        return false;
    QSettings store(StoreOrganisation, StoreApplication);
    if (!Readable(store))
        return false;
    KeepHandWrittenSource(store);
    store.beginGroup(QLatin1String(SettingsGroup));
    WriteLimits(store, set.Colours.front().Limits);
    store.endGroup();
    store.remove(QLatin1String(ColoursGroup));  // a smaller set leaves no entries behind
    store.beginGroup(QLatin1String(ColoursGroup));
    store.setValue(QLatin1String(SizeName), static_cast<uint>(set.Colours.size()));
    for (std::size_t i = 0; i < set.Colours.size(); ++i) {
        const CColour& colour = set.Colours[i];
        store.beginGroup(QString::number(i + 1));
        store.setValue(QLatin1String(NameName), QString::fromStdString(colour.Name));
        store.setValue(
            QLatin1String(DisplayName),
            QStringLiteral("%1").arg(colour.DisplayColour, 6, 16, QLatin1Char('0')).toUpper());
        store.setValue(QLatin1String(MaxMarksName), static_cast<uint>(colour.MaxMarks));
        if (i > 0)
            WriteLimits(store, colour.Limits);
        store.endGroup();
    }
    store.endGroup();
    store.sync();
    return Readable(store);
}

std::string RememberedSource() {
    const QSettings store(StoreOrganisation, StoreApplication);
    return StoredSource(store).toStdString();
}

bool RememberSource(const std::string& name) {
    QSettings store(StoreOrganisation, StoreApplication);
    store.setValue(SourceKey, QString::fromStdString(name));
    store.sync();
    return Readable(store);
}
