#pragma once
#include <QJsonObject>

#include <string>
#include <vector>

// Each line of `text` read as one JSON object by Qt's parser; a line that is not one fails
// the test (and is left out).
std::vector<QJsonObject> JsonLines(const std::string& text);
