#pragma once
#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

// What quelta-serve was asked to do.
struct CServeOptions {
    QString Source;       // empty: the remembered source
    QString ColoursFile;  // empty: the store's set
    QHostAddress Address = QHostAddress(QHostAddress::LocalHost);
    quint16 Port = 8080;  // 0: any free port (the one taken is printed)
    QByteArray Token;     // empty: no token asked for (loopback only)
};

// The options of `arguments` (the program's name first), or the one line that says what is
// wrong with them: an unknown option, an address that is not ADDR:PORT, a token file that
// cannot be read or is empty, or another address than the loopback one without a token.
// --help prints the usage and exits 0.
std::optional<CServeOptions> ParseServeOptions(const QStringList& arguments, QString& problem);
