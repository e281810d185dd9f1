#pragma once

#include <QLibrary>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The tracking library, loaded at run time by file name. Each function is looked up once, at its
// first call, and reused afterwards. Once anything is missing the object is "faulted": it emits
// Fault once, naming what is missing, and every later call returns nothing without touching the
// library again, so a broken library cannot raise a second report.
class CQtaLibrary : public QObject {
    Q_OBJECT
public:
    // Files tried in order. QUELTA_LIBRARY, when set, is the only candidate; otherwise
    // libquelta.so beside the executable, then in the installed library folder next to it, then
    // "quelta" through the system's library search path.
    static QStringList DefaultCandidates();

    explicit CQtaLibrary(QStringList candidates = DefaultCandidates());

    bool Load();

    std::optional<short> Inicialitza(int source);
    // Both position outputs are zeroed before the call and dropped after it: the monitor only
    // wants to know whether the mark is in view.
    std::optional<short> ObtenirPosicio();
    bool Finalitza();

signals:
    void Fault(const QString& what);

private:
    using InicialitzaFn = short (*)(int);
    using ObtenirPosicioFn = short (*)(short*, short*);
    using FinalitzaFn = void (*)();

    template <class Fn>
    Fn Resolve(Fn& slot, const char* name);
    void ReportFault(const QString& what);

    QStringList Candidates;
    QLibrary Library;
    bool Faulted = false;
    InicialitzaFn InicialitzaPtr = nullptr;
    ObtenirPosicioFn ObtenirPosicioPtr = nullptr;
    FinalitzaFn FinalitzaPtr = nullptr;
};
