#include "JsonLines.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <sstream>

std::vector<QJsonObject> JsonLines(const std::string& text) {
    std::vector<QJsonObject> objects;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        if (error.error != QJsonParseError::NoError || !json.isObject()) {
            ADD_FAILURE() << "not a JSON object (" << error.errorString().toStdString()
                          << "): " << line;
            continue;
        }
        objects.push_back(json.object());
    }
    return objects;
}
