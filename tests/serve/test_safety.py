"""quelta-serve's defaults against a hostile network and browser: the token, the loopback
address, foreign origins, oversize bodies and paths outside the dashboard."""

import http.client
import os
import subprocess
import urllib.parse

from conftest import SERVE, Service, first_frame, service  # noqa: F401

TOKEN = "s3cret-token-of-the-test"


def test_with_a_token_every_request_needs_it():
    running = Service(token=TOKEN)
    try:
        first_frame(running)
        before = running.json("/api/colours")[1]
        for path in ["/api/status", "/api/marks", "/api/colours", "/snapshot.jpg", "/stream.mjpg",
                     "/api/events", "/app.js"]:
            for token in ["", "wrong", TOKEN + "x", TOKEN[:-1]]:
                headers = {"Authorization": "Bearer " + token} if token else {"X-None": "1"}
                status, _, _ = running.request(path, headers=headers, token="")
                assert status == 401, (path, token)
        status, _, page = running.request("/", token="")
        assert status == 401 and b"login.js" in page  # the page that asks for the token
        change = {"colours": [dict(before["colours"][0], name="altre")]}
        assert running.request("/api/colours", method="PUT", body=change, token="wrong")[0] == 401
        assert running.json("/api/colours")[1] == before
        assert running.request("/api/status")[0] == 200

        # The dashboard's way: the token once, then its cookie.
        assert running.request("/api/login", method="POST", body={"token": "wrong"},
                               token="")[0] == 401
        status, headers, _ = running.request("/api/login", method="POST", body={"token": TOKEN},
                                             token="")
        cookie = headers["Set-Cookie"]
        assert status == 200 and "HttpOnly" in cookie and "SameSite=Strict" in cookie
        status, _, _ = running.request("/api/status", headers={"Cookie": cookie.split(";")[0]},
                                       token="")
        assert status == 200
    finally:
        assert running.stop() == 0


def test_another_address_without_a_token_is_refused():
    for address in ["0.0.0.0:0", "[::]:0"]:
        done = subprocess.run([SERVE, "--source", "testcam-multi", "--listen", address],
                              capture_output=True, text=True, timeout=30,
                              stdin=subprocess.DEVNULL)
        assert done.returncode == 2, done.stderr
        assert len(done.stderr.splitlines()) == 1 and "--token-file" in done.stderr


def test_changes_from_another_site_or_too_big_change_nothing(service):  # noqa: F811
    first_frame(service)
    before = service.json("/api/colours")[1]
    change = {"colours": [dict(before["colours"][0], name="altre")]}
    for headers in [{"Origin": "http://evil.example"}, {"Origin": "null"},
                    {"Origin": service.base.replace("127.0.0.1", "localhost")},
                    {"Sec-Fetch-Site": "cross-site"}]:
        status, answer = service.json("/api/colours", method="PUT", body=change, headers=headers)
        assert status == 403 and answer["error"], headers
        status, _ = service.json("/api/save", method="POST", body={}, headers=headers)
        assert status == 403, headers
    # A colour set padded past 64 KiB with spaces is still the same JSON.
    padded = b'{"colours":[' + b" " * (64 * 1024) + b'{"name":"altre"}]}'
    status, _, _ = service.request("/api/colours", method="PUT", raw=padded,
                                   headers={"Content-Type": "application/json"})
    assert status == 413
    # Changes come as PUT or POST only.
    for method in ["GET", "DELETE"]:
        assert service.request("/api/save", method=method)[0] in (404, 405)
    assert service.json("/api/colours")[1] == before
    # The same change from the service's own page is taken.
    status, _ = service.json("/api/colours", method="PUT", body=change,
                             headers={"Origin": service.base})
    assert status == 200


def test_no_path_outside_the_dashboard_is_served(service):  # noqa: F811
    host = urllib.parse.urlsplit(service.base)
    paths = ["/../../../../etc/passwd", "/%2e%2e/%2e%2e/%2e%2e/etc/passwd",
             "/%2E%2E%2F%2E%2E%2Fetc%2Fpasswd", "/..%2f..%2fetc/passwd", "//etc/passwd",
             "/web/index.html", "/:/web/index.html", "/index.html/..", "/app.js/../../etc/passwd",
             "/" + os.path.abspath(SERVE), "/app.js%00.html"]
    for path in paths:
        connection = http.client.HTTPConnection(host.hostname, host.port, timeout=10)
        try:
            connection.request("GET", path)
            answer = connection.getresponse()
            body = answer.read()
            assert answer.status >= 400, path
            assert b"root:" not in body and b"ELF" not in body, path
        finally:
            connection.close()
    for path in ["/", "/app.js", "/style.css"]:
        assert service.request(path)[0] == 200, path
