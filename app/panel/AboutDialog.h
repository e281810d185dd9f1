#pragma once
#include <QDialog>

// "Quant a Quelta".
class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};
