#include "ServeRoutes.h"

#include "ColoursJson.h"
#include "LimitFields.h"
#include "SettingsStore.h"

#include <QFile>
#include <QJsonDocument>

#include <cmath>

namespace {
using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;

// The dashboard's files: the name served, the resource, its type, and whether a request
// without the token may have it (what the page that asks for the token needs).
struct CWebFile {
    const char* Path;
    const char* Resource;
    const char* Type;
    bool Open;
};
constexpr CWebFile WebFiles[] = {
    {"/", ":/web/index.html", "text/html; charset=utf-8", false},
    {"/app.js", ":/web/app.js", "text/javascript; charset=utf-8", false},
    {"/style.css", ":/web/style.css", "text/css; charset=utf-8", true},
    {"/login.js", ":/web/login.js", "text/javascript; charset=utf-8", true},
};

void Answer(QHttpServerResponder& responder, const QJsonObject& object,
            Status status = Status::Ok) {
    responder.write(QJsonDocument(object).toJson(QJsonDocument::Compact),
                    {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}}, status);
}

const CRefusal TokenMissing{Status::Unauthorized, "this service needs its token"};
}  // namespace

CServeRoutes::CServeRoutes(CTrackingLoop& loop, CPictureStreams& streams,
                           const CRequestGuard& guard)
    : Loop(loop), Streams(streams), Guard(guard) {}

void CServeRoutes::AddTo(QHttpServer& server) {
    AddFiles(server);
    AddReads(server);
    AddChanges(server);
    // Anything else (another path, or a method a path does not take) is answered in the same
    // form as every other refusal.
    server.setMissingHandler([](const Request&, Responder&& responder) {
        Refuse(responder, {Status::NotFound, "no such address, or not with that method"});
    });
}

void CServeRoutes::ServeFile(const QString& name, Responder& responder) const {
    for (const CWebFile& file : WebFiles) {
        if (name != QLatin1String(file.Resource))
            continue;
        QFile resource(name);
        if (!resource.open(QIODevice::ReadOnly))
            break;
        responder.write(resource.readAll(),
                        {{"Content-Type", file.Type},
                         {"Cache-Control", "no-cache"},
                         {"X-Content-Type-Options", "nosniff"},
                         {"X-Frame-Options", "DENY"}},
                        Status::Ok);
        return;
    }
    Refuse(responder, {Status::NotFound, "no such file"});
}

void CServeRoutes::AddFiles(QHttpServer& server) {
    for (const CWebFile& file : WebFiles) {
        const CWebFile entry = file;
        server.route(entry.Path, Method::Get,
                     [this, entry](const Request& request, Responder&& responder) {
                         if (entry.Open || Guard.Authorised(request))
                             return ServeFile(entry.Resource, responder);
                         if (QLatin1String(entry.Path) != QLatin1String("/"))
                             return Refuse(responder, TokenMissing);
                         // The page that asks for the token, in place of the dashboard.
                         QFile login(":/web/login.html");
                         login.open(QIODevice::ReadOnly);
                         responder.write(login.readAll(),
                                         {{"Content-Type", "text/html; charset=utf-8"},
                                          {"Cache-Control", "no-store"}},
                                         Status::Unauthorized);
                     });
    }
}

void CServeRoutes::Status(Responder& responder) const {
    const CTrackingStatus status = Loop.Status();
    const double uptime =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
    Answer(responder, {{"source", QString::fromStdString(status.Source)},
                       {"live", status.Live},
                       {"width", status.Width},
                       {"height", status.Height},
                       {"frames", static_cast<qint64>(status.Frames)},
                       {"framesDropped", static_cast<qint64>(status.Dropped)},
                       {"trackingRate", std::round(status.Rate * 100.0) / 100.0},
                       {"jpegRate", std::round(Streams.JpegRate() * 100.0) / 100.0},
                       {"streams", Streams.PictureClients()},
                       {"eventStreams", Streams.EventClients()},
                       {"uptime", std::round(uptime * 10.0) / 10.0},
                       {"token", Guard.NeedsToken()}});
}

void CServeRoutes::Snapshot(Responder& responder) {
    const QByteArray jpeg = Streams.NewestJpeg();
    if (jpeg.isEmpty())
        return Refuse(responder, {Status::ServiceUnavailable, "no frame yet"});
    responder.write(jpeg, {{"Content-Type", "image/jpeg"}, {"Cache-Control", "no-store"}},
                    Status::Ok);
}

void CServeRoutes::StartStream(Responder&& responder, const QByteArray& type, bool picture) {
    responder.writeStatusLine(Status::Ok);
    responder.writeHeaders({{"Content-Type", type},
                            {"Cache-Control", "no-store"},
                            {"Connection", "close"},
                            {"X-Content-Type-Options", "nosniff"}});
    responder.writeBody(QByteArray());  // ends the headers; the parts follow on the socket
    if (picture)
        Streams.AddPictureClient(std::move(responder));
    else
        Streams.AddEventClient(std::move(responder));
}

void CServeRoutes::AddReads(QHttpServer& server) {
    const auto guarded = [this](auto answer) {
        return [this, answer](const Request& request, Responder&& responder) {
            if (!Guard.Authorised(request))
                return Refuse(responder, TokenMissing);
            answer(std::move(responder));
        };
    };
    server.route("/api/status", Method::Get,
                 guarded([this](Responder&& responder) { Status(responder); }));
    server.route("/api/marks", Method::Get, guarded([this](Responder&& responder) {
                     const QByteArray json = Loop.Newest().MarksJson;
                     if (json.isEmpty())
                         return Refuse(responder, {Status::ServiceUnavailable, "no frame yet"});
                     responder.write(json, {{"Content-Type", "application/json"},
                                            {"Cache-Control", "no-store"}});
                 }));
    server.route("/api/colours", Method::Get, guarded([this](Responder&& responder) {
                     Answer(responder, ColoursObject(Loop.Colours()));
                 }));
    server.route("/api/limits", Method::Get, guarded([](Responder&& responder) {
                     QJsonObject limits;
                     for (const CLimitField& field : LimitFields)
                         limits[field.Name] = static_cast<qint64>(field.Limit);
                     limits["maxMarks"] = CColour::MaxMarksLimit;
                     limits["colours"] = static_cast<qint64>(CColourSet::MaxColours);
                     Answer(responder, limits);
                 }));
    server.route("/snapshot.jpg", Method::Get,
                 guarded([this](Responder&& responder) { Snapshot(responder); }));
    server.route("/stream.mjpg", Method::Get, guarded([this](Responder&& responder) {
                     StartStream(std::move(responder),
                                 QByteArray("multipart/x-mixed-replace; boundary=") +
                                     CPictureStreams::Boundary,
                                 true);
                 }));
    server.route("/api/events", Method::Get, guarded([this](Responder&& responder) {
                     StartStream(std::move(responder), "text/event-stream", false);
                 }));
}

void CServeRoutes::PutColours(const QJsonObject& body, Responder& responder) {
    QString problem;
    const std::optional<CColourSet> set = ColoursFromObject(body, problem);
    if (!set)
        return Refuse(responder, {Status::UnprocessableEntity, problem});
    Loop.ReplaceColours(*set);
    Answer(responder, ColoursObject(*set));
}

void CServeRoutes::PostCalibrate(const QJsonObject& body, Responder& responder) {
    QString problem;
    const std::optional<CCalibrationPoint> point =
        CalibrationFromObject(body, Loop.Colours(), problem);
    if (!point)
        return Refuse(responder, {Status::UnprocessableEntity, problem});
    if (!Loop.Calibrate(point->Colour, point->X, point->Y))
        return Refuse(responder, {Status::UnprocessableEntity, NotACalibrationPoint});
    Answer(responder, {{"colour", body["colour"]}, {"x", point->X}, {"y", point->Y}},
           Status::Accepted);
}

void CServeRoutes::PostSave(Responder& responder) {
    if (!WriteColourSet(Loop.Colours()))
        return Refuse(responder,
                      {Status::InternalServerError, "the settings store cannot be written"});
    Answer(responder, {{"saved", true}});
}

void CServeRoutes::PostLogin(const QJsonObject& body, Responder& responder) {
    const QByteArray token = body["token"].toString().toUtf8();
    if (!Guard.NeedsToken() || body.size() != 1 || !body["token"].isString() ||
        !Guard.IsToken(token))
        return Refuse(responder, {Status::Unauthorized, "wrong token"});
    responder.write(QByteArray("{}"),
                    {{"Content-Type", "application/json"},
                     {"Cache-Control", "no-store"},
                     {"Set-Cookie", CRequestGuard::TokenCookie(token)}},
                    Status::Ok);
}

void CServeRoutes::AddChanges(QHttpServer& server) {
    // A change is checked whole (token, origin, size, JSON) before anything is touched.
    const auto change = [this](auto apply, bool open = false) {
        return [this, apply, open](const Request& request, Responder&& responder) {
            if (!open && !Guard.Authorised(request))
                return Refuse(responder, TokenMissing);
            CRefusal refusal{Status::BadRequest, {}};
            const std::optional<QJsonObject> body = Guard.ChangeBody(request, refusal);
            if (!body)
                return Refuse(responder, refusal);
            apply(*body, responder);
        };
    };
    server.route("/api/colours", Method::Put,
                 change([this](const QJsonObject& body, Responder& r) { PutColours(body, r); }));
    server.route("/api/calibrate", Method::Post,
                 change([this](const QJsonObject& body, Responder& r) { PostCalibrate(body, r); }));
    server.route("/api/save", Method::Post,
                 change([this](const QJsonObject&, Responder& r) { PostSave(r); }));
    server.route(
        "/api/login", Method::Post,
        change([this](const QJsonObject& body, Responder& r) { PostLogin(body, r); }, true));
}
