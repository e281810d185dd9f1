#pragma once
#include <QString>

#include <string>

// Catalan names for the controls and menu entries cameras commonly report (V4L2 names, old and
// new spellings) and for the test camera's settings; anything else keeps the device's own text.
QString ControlLabel(const std::string& deviceName);
QString MenuItemLabel(const std::string& deviceText);
