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
//
// The colour calls (QTANombreColors, QTANomColor, QTAObtenirPosicioColor) came later: a library
// without them is still a whole library of one colour, so their absence is no fault.
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
    // Colour 0, the first, is asked through QTAObtenirPosicio, as a library without colours is;
    // a further colour through QTAObtenirPosicioColor.
    std::optional<short> ObtenirPosicio(int colour = 0);
    bool Finalitza();
    // The names of the set's colours in the library's order, so that a name's index is its
    // colour; empty when the library lacks the colour calls or names no colour.
    QStringList NomsColors();

signals:
    void Fault(const QString& what);

private:
    using InicialitzaFn = short (*)(int);
    using ObtenirPosicioFn = short (*)(short*, short*);
    using FinalitzaFn = void (*)();
    using NombreColorsFn = int (*)();
    using NomColorFn = int (*)(int, char*, int);
    using ObtenirPosicioColorFn = short (*)(int, short*, short*);

    template <class Fn>
    Fn Resolve(Fn& slot, const char* name);
    void ReportFault(const QString& what);
    bool HasColourCalls();

    QStringList Candidates;
    QLibrary Library;
    bool Faulted = false;
    InicialitzaFn InicialitzaPtr = nullptr;
    ObtenirPosicioFn ObtenirPosicioPtr = nullptr;
    FinalitzaFn FinalitzaPtr = nullptr;
    bool ColourCallsLooked = false;
    NombreColorsFn NombreColorsPtr = nullptr;
    NomColorFn NomColorPtr = nullptr;
    ObtenirPosicioColorFn ObtenirPosicioColorPtr = nullptr;
};
