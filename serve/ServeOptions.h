#pragma once
#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include "BrokerAddress.h"

#include <optional>
#include <string>

// What quelta-serve was asked to do.
struct CServeOptions {
    QString Source;       // empty: the remembered source
    QString ColoursFile;  // empty: the store's set
    QHostAddress Address = QHostAddress(QHostAddress::LocalHost);
    quint16 Port = 8080;                         // 0: any free port (the one taken is printed)
    QByteArray Token;                            // empty: no token asked for (loopback only)
    std::optional<CBrokerAddress> Publish;       // quelta-track's topics, on this broker
    std::optional<std::string> DiscoveryPrefix;  // Home Assistant's discovery (with Publish)
};

// The options of `arguments` (the program's name first), or the one line that says what is
// wrong with them: an unknown option, an address that is not ADDR:PORT, a token file that
// cannot be read or is empty, another address than the loopback one without a token, a broker
// address that is not one, or --ha-discovery without --publish or with a wrong prefix.
// --help prints the usage and exits 0.
std::optional<CServeOptions> ParseServeOptions(const QStringList& arguments, QString& problem);
