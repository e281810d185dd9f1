#pragma once
#include <QByteArray>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QString>

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

// {"error":REASON} with `status`, not cached.
void Refuse(QHttpServerResponder& responder, const CRefusal& refusal);
