#include "ControlNames.h"

#include <QHash>

namespace {

// Lower case letters and digits only, so "Exposure, Auto" and "exposure_auto" meet.
QString Key(const std::string& text) {
    QString key;
    for (const QChar c : QString::fromStdString(text).toLower())
        if (c.isLetterOrNumber())
            key += c;
    return key;
}

const QHash<QString, QString>& ControlNames() {
    static const QHash<QString, QString> names = {
        {"brightness", "Brillantor"},
        {"contrast", "Contrast"},
        {"saturation", "Saturació"},
        {"hue", "To"},
        {"hueauto", "To automàtic"},
        {"hueautomatic", "To automàtic"},
        {"brightnessautomatic", "Brillantor automàtica"},
        {"chromaagc", "Croma automàtic"},
        {"colorkiller", "Supressor de color"},
        {"coloreffects", "Efectes de color"},
        {"dowhitebalance", "Ajusta ara el balanç de blancs"},
        {"gamma", "Gamma"},
        {"sharpness", "Nitidesa"},
        {"gain", "Guany"},
        {"gainautomatic", "Guany automàtic"},
        {"autogain", "Guany automàtic"},
        {"exposure", "Exposició"},
        {"exposureabsolute", "Temps d'exposició"},
        {"exposuretimeabsolute", "Temps d'exposició"},
        {"exposureauto", "Exposició automàtica"},
        {"autoexposure", "Exposició automàtica"},
        {"exposureautopriority", "Ritme d'imatges variable segons l'exposició"},
        {"exposuredynamicframerate", "Ritme d'imatges variable segons l'exposició"},
        {"whitebalancetemperature", "Temperatura del balanç de blancs"},
        {"whitebalancetemperatureauto", "Balanç de blancs automàtic"},
        {"whitebalanceautomatic", "Balanç de blancs automàtic"},
        {"autowhitebalance", "Balanç de blancs automàtic"},
        {"redbalance", "Balanç del vermell"},
        {"bluebalance", "Balanç del blau"},
        {"backlightcompensation", "Compensació de contrallum"},
        {"powerlinefrequency", "Freqüència de la xarxa elèctrica"},
        {"focusabsolute", "Enfocament"},
        {"focusauto", "Enfocament automàtic"},
        {"focusautomaticcontinuous", "Enfocament automàtic"},
        {"zoomabsolute", "Zoom"},
        {"zoomcontinuous", "Zoom continu"},
        {"irisabsolute", "Diafragma"},
        {"privacy", "Privadesa (obturador tancat)"},
        {"panrelative", "Panoràmica relativa"},
        {"tiltrelative", "Inclinació relativa"},
        {"panabsolute", "Panoràmica"},
        {"tiltabsolute", "Inclinació"},
        {"panreset", "Centra la panoràmica"},
        {"tiltreset", "Centra la inclinació"},
        {"pantiltreset", "Centra la panoràmica i la inclinació"},
        {"horizontalflip", "Gira horitzontalment"},
        {"verticalflip", "Gira verticalment"},
        {"light", "Nivell de llum"},
        {"lightlevel", "Nivell de llum"},
        {"noise", "Soroll"},
        {"noiselevel", "Soroll"},
    };
    return names;
}

const QHash<QString, QString>& MenuNames() {
    static const QHash<QString, QString> names = {
        {"disabled", "Desactivat"},
        {"none", "Cap"},
        {"auto", "Automàtic"},
        {"automode", "Automàtic"},
        {"manualmode", "Manual"},
        {"shutterprioritymode", "Prioritat a l'obturació"},
        {"apertureprioritymode", "Prioritat a l'obertura"},
    };
    return names;
}

}  // namespace

QString ControlLabel(const std::string& deviceName) {
    return ControlNames().value(Key(deviceName), QString::fromStdString(deviceName));
}

QString MenuItemLabel(const std::string& deviceText) {
    return MenuNames().value(Key(deviceText), QString::fromStdString(deviceText));
}
