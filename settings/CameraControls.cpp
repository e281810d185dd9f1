#include "CameraControls.h"

#include "StoreName.h"

#include <QSettings>
#include <QString>

namespace {

// One group per camera. QSettings takes '/' and '\' for group separators, so they become '_'.
QString Group(const std::string& camera) {
    QString key = QString::fromStdString(camera);
    key.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QStringLiteral("Cameras/") + key;
}

}  // namespace

std::vector<std::pair<uint32_t, int>> ReadCameraControls(const std::string& camera) {
    std::vector<std::pair<uint32_t, int>> values;
    if (camera.empty())
        return values;
    QSettings store(StoreOrganisation, StoreApplication);
    store.beginGroup(Group(camera));
    for (const QString& key : store.childKeys()) {
        bool idOk = false, valueOk = false;
        const uint32_t id = key.toUInt(&idOk);
        const int value = store.value(key).toString().toInt(&valueOk);
        if (idOk && valueOk)  // anything else was not written by us: ignored
            values.emplace_back(id, value);
    }
    return values;
}

void RememberCameraControl(const std::string& camera, uint32_t id, int value) {
    if (camera.empty())
        return;
    QSettings store(StoreOrganisation, StoreApplication);
    store.beginGroup(Group(camera));
    store.setValue(QString::number(id), QString::number(value));
}
