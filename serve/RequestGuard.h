#pragma once
#include <QByteArray>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QString>
#include <QTcpServer>

#include <optional>

// A request turned away: its status and the reason, answered as {"error":REASON}.
struct CRefusal {
    QHttpServerResponder::StatusCode Status;
    QString Reason;
};

// What every request must pass. With a token, each request carries it (Authorization: Bearer
// TOKEN, or the dashboard's cookie); tokens are compared through their SHA-256 digests in
// constant time. A state change comes as POST or PUT from this site (no foreign Origin or
// Sec-Fetch-Site) with a JSON object of at most BodyLimit bytes as its body.
class CRequestGuard {
public:
    static constexpr qsizetype BodyLimit = 64 * 1024;
    static constexpr const char* CookieName = "quelta_token";

    explicit CRequestGuard(const QByteArray& token);

    bool NeedsToken() const { return !TokenDigest.isEmpty(); }
    bool Authorised(const QHttpServerRequest& request) const;
    // Whether `candidate` is the token (true for anything when there is none).
    bool IsToken(const QByteArray& candidate) const;
    // Refuses a foreign origin (403), a body over BodyLimit (413), anything but a JSON object
    // (400); otherwise the body.
    std::optional<QJsonObject> ChangeBody(const QHttpServerRequest& request,
                                          CRefusal& refusal) const;
    // The Set-Cookie value that keeps `token` for this site's requests.
    static QByteArray TokenCookie(const QByteArray& token);

private:
    QByteArray TokenDigest;  // empty: no token
};

// The JSON object a change carries: a body over CRequestGuard::BodyLimit is refused (413),
// anything but a JSON object (400).
std::optional<QJsonObject> ChangeObject(const QByteArray& body, CRefusal& refusal);

// The listening socket, with what Qt HttpServer does not guard against itself: it reads a
// request whole, however long, and waits for it for ever. So a connection that has sent more
// than RequestLimit bytes without an answer is answered 413 and closed (a body over BodyLimit
// never has to be read to its end), and one that has sent nothing, or a request not answered,
// within RequestDeadline is closed. Give it to QAbstractHttpServer::bind once listening.
class CGuardedListener : public QTcpServer {
public:
    static constexpr qint64 RequestLimit = CRequestGuard::BodyLimit + 16 * 1024;
    static constexpr int RequestDeadlineMs = 10000;
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};

// {"error":REASON} with `status`, not cached.
void Refuse(QHttpServerResponder& responder, const CRefusal& refusal);
