#pragma once
#include "PictureStreams.h"
#include "RequestGuard.h"
#include "TrackingLoop.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>

#include <chrono>

// quelta-serve's answers: the dashboard's files (from the resource, by a fixed list of names,
// so no other path is ever served), the picture, the marks, the colours and the changes, each
// behind the guard.
class CServeRoutes {
public:
    CServeRoutes(CTrackingLoop& loop, CPictureStreams& streams, const CRequestGuard& guard);
    void AddTo(QHttpServer& server);

private:
    using Request = QHttpServerRequest;
    using Responder = QHttpServerResponder;
    void AddFiles(QHttpServer& server);
    void AddReads(QHttpServer& server);
    void AddChanges(QHttpServer& server);
    void Status(Responder& responder) const;
    void Snapshot(Responder& responder);
    void StartStream(Responder&& responder, const QByteArray& type, bool picture);
    void PutColours(const QJsonObject& body, Responder& responder);
    void PostCalibrate(const QJsonObject& body, Responder& responder);
    void PostSave(Responder& responder);
    void PostLogin(const QJsonObject& body, Responder& responder);
    void ServeFile(const QString& name, Responder& responder) const;

    CTrackingLoop& Loop;
    CPictureStreams& Streams;
    const CRequestGuard& Guard;
    const std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
};
