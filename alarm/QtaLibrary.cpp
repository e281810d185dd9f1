#include "QtaLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <utility>

#ifndef QUELTA_RELATIVE_LIBDIR
#define QUELTA_RELATIVE_LIBDIR "../lib"
#endif

QStringList CQtaLibrary::DefaultCandidates() {
    const QString chosen = qEnvironmentVariable("QUELTA_LIBRARY");
    if (!chosen.isEmpty())
        return {chosen};
    // dlopen with a bare name would ignore the executable's own RUNPATH (it applies the caller's,
    // which is Qt's), so the places next to the program are spelled out as full paths.
    const QString binDir = QCoreApplication::applicationDirPath();
    return {binDir + "/libquelta.so", binDir + "/" QUELTA_RELATIVE_LIBDIR "/libquelta.so",
            "quelta"};
}

CQtaLibrary::CQtaLibrary(QStringList candidates) : Candidates(std::move(candidates)) {}

bool CQtaLibrary::Load() {
    QStringList failures;
    for (const QString& candidate : Candidates) {
        // A full path that does not exist is simply not this installation's layout; a file that is
        // there but will not load is worth reporting.
        const bool isPath = candidate.contains('/');
        if (isPath && !QFileInfo::exists(candidate) && Candidates.size() > 1)
            continue;
        Library.setFileName(candidate);
        if (Library.load())
            return true;
        failures << Library.errorString();
    }
    ReportFault(
        QString("No s'ha pogut carregar la biblioteca de seguiment libquelta.so (%1).\n\n%2")
            .arg(Candidates.join(", "), failures.join("\n")));
    return false;
}

template <class Fn>
Fn CQtaLibrary::Resolve(Fn& slot, const char* name) {
    if (Faulted)
        return nullptr;
    if (!slot)
        slot = reinterpret_cast<Fn>(Library.resolve(name));
    if (!slot)
        ReportFault(QString("Falta la funció %1 a la biblioteca de seguiment %2.")
                        .arg(QString::fromLatin1(name), Library.fileName()));
    return slot;
}

void CQtaLibrary::ReportFault(const QString& what) {
    Faulted = true;
    emit Fault(what);
}

std::optional<short> CQtaLibrary::Inicialitza(int source) {
    if (auto fn = Resolve(InicialitzaPtr, "QTAInicialitza"))
        return fn(source);
    return std::nullopt;
}

std::optional<short> CQtaLibrary::ObtenirPosicio() {
    auto fn = Resolve(ObtenirPosicioPtr, "QTAObtenirPosicio");
    if (!fn)
        return std::nullopt;
    short x = 0;
    short y = 0;
    return fn(&x, &y);
}

bool CQtaLibrary::Finalitza() {
    auto fn = Resolve(FinalitzaPtr, "QTAFinalitza");
    if (fn)
        fn();
    return fn != nullptr;
}
