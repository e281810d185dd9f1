#include "RequestGuard.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QList>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {
QByteArray Digest(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256);
}

// Digests have one length: the loop takes as long whatever the bytes.
bool SameDigest(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// The token the request carries: the bearer token, else the dashboard's cookie.
QByteArray CarriedToken(const QHttpServerRequest& request) {
    const QByteArray authorization = request.value("Authorization").trimmed();
    if (authorization.startsWith("Bearer "))
        return authorization.mid(7).trimmed();
    const QByteArray prefix = QByteArray(CRequestGuard::CookieName) + '=';
    for (const QByteArray& cookie : request.value("Cookie").split(';')) {
        const QByteArray entry = cookie.trimmed();
        if (entry.startsWith(prefix))
            return QByteArray::fromPercentEncoding(entry.mid(prefix.size()));
    }
    return {};
}

// A browser names where a request comes from; this site is the one the Host header names.
bool FromThisSite(const QHttpServerRequest& request) {
    const QByteArray fetchSite = request.value("Sec-Fetch-Site");
    if (!fetchSite.isEmpty() && fetchSite != "same-origin" && fetchSite != "none")
        return false;
    const QByteArray origin = request.value("Origin");
    if (origin.isEmpty())
        return true;  // not a browser's request
    const QUrl url(QString::fromLatin1(origin));
    const QByteArray host = request.value("Host");
    if (!url.isValid() || url.scheme() != QLatin1String("http") || host.isEmpty())
        return false;
    const QString authority =
        url.port() < 0 ? url.host() : url.host() + ':' + QString::number(url.port());
    return authority.compare(QString::fromLatin1(host), Qt::CaseInsensitive) == 0;
}
}  // namespace

CRequestGuard::CRequestGuard(const QByteArray& token) {
    if (!token.isEmpty())
        TokenDigest = Digest(token);
}

bool CRequestGuard::IsToken(const QByteArray& candidate) const {
    return !NeedsToken() || SameDigest(Digest(candidate), TokenDigest);
}

bool CRequestGuard::Authorised(const QHttpServerRequest& request) const {
    return !NeedsToken() || IsToken(CarriedToken(request));
}

std::optional<QJsonObject> CRequestGuard::ChangeBody(const QHttpServerRequest& request,
                                                     CRefusal& refusal) const {
    using Status = QHttpServerResponder::StatusCode;
    if (!FromThisSite(request)) {
        refusal = {Status::Forbidden, "changes are taken only from this site's own pages"};
        return std::nullopt;
    }
    return ChangeObject(request.body(), refusal);
}

std::optional<QJsonObject> ChangeObject(const QByteArray& body, CRefusal& refusal) {
    using Status = QHttpServerResponder::StatusCode;
    if (body.size() > CRequestGuard::BodyLimit) {
        refusal = {Status::PayloadTooLarge,
                   QString("a body holds at most %1 bytes").arg(CRequestGuard::BodyLimit)};
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        refusal = {Status::BadRequest, error.error != QJsonParseError::NoError
                                           ? "malformed JSON: " + error.errorString()
                                           : QString("the body must be a JSON object")};
        return std::nullopt;
    }
    return document.object();
}

QByteArray CRequestGuard::TokenCookie(const QByteArray& token) {
    return QByteArray(CookieName) + '=' + token.toPercentEncoding() +
           "; Path=/; HttpOnly; SameSite=Strict";
}

void Refuse(QHttpServerResponder& responder, const CRefusal& refusal) {
    const QByteArray body =
        QJsonDocument(QJsonObject{{"error", refusal.Reason}}).toJson(QJsonDocument::Compact);
    responder.write(body, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
                    refusal.Status);
}

namespace {
// The answer to a request that grew past the limit, written before Qt HttpServer has it whole.
QByteArray TooLargeAnswer() {
    const QByteArray body =
        QJsonDocument(QJsonObject{{"error", QString("a request holds at most "
                                                    "%1 bytes")
                                                .arg(CGuardedListener::RequestLimit)}})
            .toJson(QJsonDocument::Compact);
    return "HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\n"
           "Cache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// One connection's watch: the bytes of the request not answered yet, and its deadline.
// Connected before Qt HttpServer's own handlers, so it sees each read before they take it.
void Watch(QTcpSocket* socket) {
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->setInterval(CGuardedListener::RequestDeadlineMs);
    auto unanswered = std::make_shared<qint64>(0);
    // Qt HttpServer cuts a connection it cannot parse from all its handlers, its deletion
    // too: the deadline ends such a connection as well.
    QObject::connect(deadline, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    QObject::connect(socket, &QTcpSocket::readyRead, deadline, [socket, deadline, unanswered] {
        if (!deadline->isActive())
            deadline->start();
        *unanswered += socket->bytesAvailable();
        if (*unanswered > CGuardedListener::RequestLimit &&
            socket->state() == QAbstractSocket::ConnectedState) {
            socket->write(TooLargeAnswer());
            socket->disconnectFromHost();
        }
    });
    QObject::connect(socket, &QTcpSocket::bytesWritten, deadline, [deadline, unanswered] {
        deadline->stop();
        *unanswered = 0;
    });
    deadline->start();
}
}  // namespace

void CGuardedListener::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    Watch(socket);
    addPendingConnection(socket);
}
