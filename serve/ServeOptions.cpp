#include "ServeOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

namespace {
// Token files are a line or two; anything larger is not one.
constexpr qint64 TokenFileLimit = 4096;

// "ADDR:PORT", the address in brackets for IPv6 ("[::1]:8080"); "localhost" is the loopback.
bool ParseListen(const QString& text, CServeOptions& options) {
    const qsizetype colon = text.lastIndexOf(':');
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith('[') && host.endsWith(']'))
        host = host.mid(1, host.size() - 2);
    bool portOk = false;
    const uint port = text.mid(colon + 1).toUInt(&portOk);
    if (!portOk || port > 65535)
        return false;
    QHostAddress address;
    if (host == QLatin1String("localhost"))
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host))
        return false;
    options.Address = address;
    options.Port = static_cast<quint16>(port);
    return true;
}

bool ReadToken(const QString& path, QByteArray& token) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > TokenFileLimit)
        return false;
    token = file.read(TokenFileLimit).trimmed();
    return !token.isEmpty() && !token.contains('\n');
}
}  // namespace

std::optional<CServeOptions> ParseServeOptions(const QStringList& arguments, QString& problem) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Tracks the colour marks of a live source and serves the picture, the marks and the "
        "colours over HTTP, with a dashboard for any browser.");
    parser.addHelpOption();
    parser.addOptions({
        {"source",
         "The capture source (v4l2:/dev/videoN, gst:PIPELINE, file:PATH, testcam, "
         "testcam-multi); default: the remembered one.",
         "S"},
        {"colours", "A .qta set file to track; default: the set of the settings store.", "F"},
        {"listen",
         "Where to serve HTTP; default 127.0.0.1:8080. Another address than the "
         "loopback one needs --token-file.",
         "ADDR:PORT"},
        {"token-file",
         "A file holding the token every request must carry "
         "(Authorization: Bearer TOKEN).",
         "F"},
    });
    if (!parser.parse(arguments)) {
        problem = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet("help"))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty()) {
        problem = "unexpected argument '" + parser.positionalArguments().front() + "'";
        return std::nullopt;
    }
    CServeOptions options;
    options.Source = parser.value("source");
    options.ColoursFile = parser.value("colours");
    if (parser.isSet("listen") && !ParseListen(parser.value("listen"), options)) {
        problem = "--listen wants ADDR:PORT, not '" + parser.value("listen") + "'";
        return std::nullopt;
    }
    if (parser.isSet("token-file") && !ReadToken(parser.value("token-file"), options.Token)) {
        problem = "cannot read a token from '" + parser.value("token-file") + "'";
        return std::nullopt;
    }
    if (!options.Address.isLoopback() && options.Token.isEmpty()) {
        problem = "listening on " + options.Address.toString() +
                  " needs --token-file: only the loopback address is served without a token";
        return std::nullopt;
    }
    return options;
}
