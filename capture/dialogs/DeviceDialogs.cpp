#include "DeviceDialogs.h"
#include "DeviceAccess.h"
#include "FormatDialog.h"
#include "SettingsStore.h"
#include "SourceChoice.h"
#include "SourceChoiceDialog.h"
#include "SourceDialog.h"

int ShowFormatDialog(CImageSource& source, QWidget* owner) {
    CImageSourceAccess device(source);
    CFormatDialog dialog(device, owner);
    return dialog.exec();
}

int ShowSourceDialog(CImageSource& source, QWidget* owner) {
    CImageSourceAccess device(source);
    CSourceDialog dialog(device, owner);
    return dialog.exec();
}

std::string RunSourceChoiceDialog(QWidget* owner) {
    CSourceChoiceDialog dialog(ListVideoDevices(), RememberedSource(), owner);
    return dialog.exec() == QDialog::Accepted ? dialog.ChosenSource() : std::string();
}
