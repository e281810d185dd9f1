#pragma once
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `act` on the next modal window once it is up, so a test can drive exec() without
// blocking. Keeps looking until one appears.
inline void OnNextModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(10, qApp, [act = std::move(act)]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(modal);
        else
            OnNextModal(std::move(act));
    });
}
