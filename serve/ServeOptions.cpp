#include "ServeOptions.h"

#include "HomeAssistant.h"
#include "PublishError.h"

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

// --ha-discovery takes its prefix only when one follows ("--ha-discovery [PREFIX]"), which
// QCommandLineParser cannot say: it is taken out of the arguments here. The service has no
// arguments of its own, so a word after it that is not an option is its prefix.
QStringList TakeDiscovery(QStringList arguments, std::optional<std::string>& prefix) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--") {
            break;
        } else if (argument.startsWith("--ha-discovery=")) {
            prefix = argument.mid(argument.indexOf('=') + 1).toStdString();
        } else if (argument == "--ha-discovery") {
            prefix = DefaultDiscoveryPrefix;
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith('-')) {
                prefix = arguments[i + 1].toStdString();
                arguments.remove(i + 1);
            }
        } else {
            continue;
        }
        arguments.remove(i--);
    }
    return arguments;
}

bool TakePublishing(const QCommandLineParser& parser, CServeOptions& options, QString& problem) {
    if (parser.isSet("publish")) {
        try {
            options.Publish = ParseBrokerUrl(parser.value("publish").toStdString());
        } catch (const CPublishError& error) {
            problem = QString::fromStdString(error.what());
            return false;
        }
    }
    if (options.DiscoveryPrefix && !options.Publish) {
        problem = "--ha-discovery needs --publish: the discovery goes to its broker";
        return false;
    }
    if (options.DiscoveryPrefix && !IsValidDiscoveryPrefix(*options.DiscoveryPrefix)) {
        problem = "--ha-discovery wants a topic prefix without '+', '#' or a '/' at either end, "
                  "not '" +
                  QString::fromStdString(*options.DiscoveryPrefix) + "'";
        return false;
    }
    return true;
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
        {"publish",
         "Also publish every frame to an MQTT broker, with quelta-track's topics "
         "(TOPIC/position, TOPIC/present, TOPIC/marks, TOPIC/NAME/present, TOPIC/status).",
         "mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC"},
        {"ha-discovery",
         "With --publish: also publish Home Assistant's MQTT discovery for this camera "
         "(presence, x and y of each colour) under PREFIX, 'homeassistant' unless given. "
         "Written --ha-discovery [PREFIX]."},
    });
    CServeOptions options;
    if (!parser.parse(TakeDiscovery(arguments, options.DiscoveryPrefix))) {
        problem = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet("help"))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty()) {
        problem = "unexpected argument '" + parser.positionalArguments().front() + "'";
        return std::nullopt;
    }
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
    if (!TakePublishing(parser, options, problem))
        return std::nullopt;
    return options;
}
