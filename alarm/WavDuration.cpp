#include "WavDuration.h"

#include <QFile>
#include <QtEndian>

namespace {
quint32 Le32(const char* bytes) { return qFromLittleEndian<quint32>(bytes); }
}  // namespace

// RIFF layout:  "RIFF" size "WAVE" { id(4) size(4, little endian) body (padded to even) }...
// The byte rate sits 8 bytes into the "fmt " body; the "data" chunk's size is the sound.
std::optional<int> WavDurationMs(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(12);
    if (head.size() != 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint32 byteRate = 0;
    while (true) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() != 8)
            return std::nullopt;
        const quint32 size = Le32(chunk.constData() + 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray body = file.peek(12);
            if (body.size() != 12)
                return std::nullopt;
            byteRate = Le32(body.constData() + 8);
        } else if (chunk.startsWith("data")) {
            if (byteRate == 0)
                return std::nullopt;
            return int(quint64(size) * 1000 / byteRate);
        }
        if (!file.seek(file.pos() + size + (size & 1)))
            return std::nullopt;
    }
}
