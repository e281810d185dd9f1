#include "SettingsStore.h"

#include "LimitFields.h"
#include "StoreName.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>

namespace {

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

}  // namespace

// Reads only: a missing group or file simply leaves every field as it was. Writing nothing
// here matters, because quelta-track and the library read the store but must never change it.
bool ReadRegistry(CTrackingParams& params) {
    QSettings store(StoreOrganisation, StoreApplication);
    if (!Readable(store))
        return false;
    store.beginGroup(QStringLiteral("Settings"));
    for (const CLimitField& field : LimitFields)
        if (const auto number = ReadValue(store, field.Name, field.Limit))
            field.Set(params, *number);
    if (const auto flag = ReadValue(store, FlagName, FlagLimit))
        params.VideoConfigured = static_cast<uint8_t>(*flag) != 0;
    return true;
}

bool WriteRegistry(const CTrackingParams& params) {
    QSettings store(StoreOrganisation, StoreApplication);
    if (!Readable(store))
        return false;
    // Rewriting the file would store a hand-written pipeline as the list QSettings read it as;
    // it goes back as the one text it is.
    if (IsList(store.value(SourceKey)))
        store.setValue(SourceKey, RawSourceLine(store));
    store.beginGroup(QStringLiteral("Settings"));
    for (const CLimitField& field : LimitFields)
        store.setValue(QLatin1String(field.Name), static_cast<uint>(field.Get(params)));
    store.setValue(QLatin1String(FlagName), static_cast<uint>(params.VideoConfigured ? 1 : 0));
    store.endGroup();
    // A store that cannot be written (folder or file not writable, disk full) says so only
    // after sync.
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
