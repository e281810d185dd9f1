// quelta-serve: tracks a live source and serves the picture, the marks and the colours over
// HTTP, with the dashboard, and (--publish) over MQTT. Exit status: 0 after SIGINT/SIGTERM, 1
// when the source, the set, the broker or the address cannot be had, 2 for wrong options.
#include "ColourSet.h"
#include "MqttBridge.h"
#include "PictureStreams.h"
#include "PublishError.h"
#include "QuitOnSignals.h"
#include "RequestGuard.h"
#include "ServeOptions.h"
#include "ServeRoutes.h"
#include "SettingsFile.h"
#include "SettingsStore.h"
#include "TrackingLoop.h"

#include <QCoreApplication>
#include <QHttpServer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>

namespace {
void SayLine(const QString& text) {
    std::fprintf(stderr, "quelta-serve: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// The set of --colours, else the store's (one default colour where it holds none).
std::optional<CColourSet> StartingSet(const CServeOptions& options) {
    CColourSet set;
    set.Colours.emplace_back().Name = CColour::DefaultName;
    if (options.ColoursFile.isEmpty()) {
        ReadColourSet(set);
        return set;
    }
    std::string problem;
    if (!LoadColourSetFile(set, options.ColoursFile.toStdString(), problem)) {
        SayLine("cannot load '" + options.ColoursFile + "': " + QString::fromStdString(problem));
        return std::nullopt;
    }
    return set;
}

CImageSource OpenSource(const CServeOptions& options) {
    const std::string name =
        options.Source.isEmpty() ? RememberedSource() : options.Source.toStdString();
    if (name.empty()) {
        SayLine("no source remembered: name one with --source");
        return {};
    }
    CImageSource source = CImageSource::Open(name);
    if (!source.HasDevice())
        SayLine("cannot open source '" + QString::fromStdString(name) + "'");
    return source;
}

// After the source: a broker never hears "online" from a service that cannot start.
std::unique_ptr<CMqttBridge> Bridge(const CServeOptions& options, const CColourSet& set) {
    if (!options.Publish)
        return {};
    try {
        return std::make_unique<CMqttBridge>(*options.Publish, set, options.DiscoveryPrefix);
    } catch (const CPublishError& error) {
        SayLine(error.what());
        return {};
    }
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("quelta-serve");
    QString problem;
    const std::optional<CServeOptions> options = ParseServeOptions(app.arguments(), problem);
    if (!options) {
        SayLine(problem);
        return 2;
    }
    const std::optional<CColourSet> set = StartingSet(*options);
    const CImageSource source = set ? OpenSource(*options) : CImageSource();
    if (!source.HasDevice())
        return 1;

    const std::unique_ptr<CMqttBridge> bridge = Bridge(*options, *set);
    if (options->Publish && !bridge)
        return 1;

    CQuitOnSignals quitOnSignals;
    std::atomic<CPictureStreams*> streams{nullptr};
    CTrackingLoop loop(source, *set, [&streams, &bridge](const CTrackedFrame& frame) {
        if (bridge)
            bridge->Frame(frame);
        if (CPictureStreams* watching = streams.load())
            watching->FrameReady();
    });
    CPictureStreams pictureStreams(loop);
    streams = &pictureStreams;
    const CRequestGuard guard(options->Token);
    CServeRoutes routes(loop, pictureStreams, guard);
    QHttpServer server;
    routes.AddTo(server);
    auto* listener = new CGuardedListener(&server);
    if (!listener->listen(options->Address, options->Port)) {
        SayLine("cannot listen on " + options->Address.toString() + ":" +
                QString::number(options->Port));
        return 1;
    }
    server.bind(listener);
    const quint16 port = listener->serverPort();
    const QString host = options->Address.protocol() == QAbstractSocket::IPv6Protocol
                             ? "[" + options->Address.toString() + "]"
                             : options->Address.toString();
    SayLine(QString("serving http://%1:%2/").arg(host).arg(port));
    const int status = app.exec();
    loop.Stop();
    return status;
}
