#include "QtaLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <utility>

#ifndef QUELTA_RELATIVE_LIBDIR
#define QUELTA_RELATIVE_LIBDIR "../lib"
#endif

namespace {
// A set holds at most 16 colours; a larger count is not believed beyond this.
constexpr int kMostColours = 64;
// Names have at most 32 characters; the library writes nothing into a buffer too small.
constexpr int kNameBytes = 64;
}  // namespace

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

std::optional<short> CQtaLibrary::ObtenirPosicio(int colour) {
    short x = 0;
    short y = 0;
    if (colour <= 0) {
        auto fn = Resolve(ObtenirPosicioPtr, "QTAObtenirPosicio");
        if (!fn)
            return std::nullopt;
        return fn(&x, &y);
    }
    // A further colour only comes from NomsColors, which names none without this call.
    HasColourCalls();
    auto fn = Resolve(ObtenirPosicioColorPtr, "QTAObtenirPosicioColor");
    if (!fn)
        return std::nullopt;
    return fn(colour, &x, &y);
}

bool CQtaLibrary::HasColourCalls() {
    if (Faulted)
        return false;
    if (!ColourCallsLooked) {
        ColourCallsLooked = true;
        NombreColorsPtr = reinterpret_cast<NombreColorsFn>(Library.resolve("QTANombreColors"));
        NomColorPtr = reinterpret_cast<NomColorFn>(Library.resolve("QTANomColor"));
        ObtenirPosicioColorPtr =
            reinterpret_cast<ObtenirPosicioColorFn>(Library.resolve("QTAObtenirPosicioColor"));
    }
    return NombreColorsPtr && NomColorPtr && ObtenirPosicioColorPtr;
}

QStringList CQtaLibrary::NomsColors() {
    QStringList names;
    if (!HasColourCalls())
        return names;
    const int count = std::min(NombreColorsPtr(), kMostColours);
    for (int colour = 0; colour < count; ++colour) {
        char name[kNameBytes] = {};
        const int length = NomColorPtr(colour, name, kNameBytes);
        // The names must stay in step with the colours' indices: none is skipped.
        if (length <= 0 || length >= kNameBytes)
            break;
        names << QString::fromUtf8(name, length);
    }
    return names;
}

bool CQtaLibrary::Finalitza() {
    auto fn = Resolve(FinalitzaPtr, "QTAFinalitza");
    if (fn)
        fn();
    return fn != nullptr;
}
