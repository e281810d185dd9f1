#include "WidgetDialogs.h"

#include "MonitorTexts.h"

#include <QFileDialog>
#include <QMessageBox>

QString CWidgetDialogs::AskSoundFile(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, MonitorTexts::OpenSoundTitle, QString(),
                                        MonitorTexts::SoundFilter);
}

void CWidgetDialogs::ShowInitError() {
    QMessageBox box(QMessageBox::NoIcon, MonitorTexts::Title, MonitorTexts::InitError,
                    QMessageBox::Ok);
    box.exec();
}

void CWidgetDialogs::ShowLibraryFault(const QString& what) {
    QMessageBox box(QMessageBox::Critical, MonitorTexts::Title, what, QMessageBox::Ok);
    box.exec();
}
