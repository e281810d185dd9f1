"""quelta-serve with many watchers: tracking keeps every frame, readers never wait for one
another, and a client that stops reading is closed without the service holding its frames."""

import os
import socket
import threading
import urllib.parse

from conftest import first_frame, service, wait_for  # noqa: F401

READERS = 20
STUCK = 3
SOCKET_WAIT = 20.0  # seconds any read or write on a test socket may take
STUCK_WAIT = 120.0  # seconds for the service to close the clients that stopped reading
MEMORY_GROWTH = 30 * 1024 * 1024  # what holding every frame for the stuck clients would pass


def open_stream(base, receive_buffer=None):
    host = urllib.parse.urlsplit(base)
    connection = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    if receive_buffer:
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    connection.settimeout(SOCKET_WAIT)
    connection.connect((host.hostname, host.port))
    connection.sendall(b"GET /stream.mjpg HTTP/1.1\r\nHost: %s\r\n\r\n" % host.netloc.encode())
    return connection


class Reader(threading.Thread):
    """Reads a picture stream to its end, keeping the X-Frame of every part."""

    def __init__(self, base):
        super().__init__(daemon=True)
        self.connection = open_stream(base)
        self.frames = []
        self.problem = None
        self.stop = threading.Event()

    def run(self):
        stream = self.connection.makefile("rb")
        try:
            head = stream.readline()
            assert head.startswith(b"HTTP/1.1 200"), head
            while stream.readline() not in (b"\r\n", b""):
                pass
            while not self.stop.is_set():
                self.frames.append(self.read_part(stream))
        except Exception as error:  # noqa: BLE001 -- named in the test's failure
            if not self.stop.is_set():
                self.problem = repr(error)
        finally:
            stream.close()
            self.connection.close()

    @staticmethod
    def read_part(stream):
        line = stream.readline()
        while line == b"\r\n":
            line = stream.readline()
        assert line.strip() == b"--quelta-frame", line
        headers = {}
        for line in iter(stream.readline, b"\r\n"):
            assert line, "the stream ended inside a part's headers"
            name, _, value = line.decode().partition(":")
            headers[name.strip().lower()] = value.strip()
        body = stream.read(int(headers["content-length"]))
        assert body[:2] == b"\xff\xd8" and body[-2:] == b"\xff\xd9", "not a whole JPEG"
        return int(headers["x-frame"])


def resident_bytes(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    raise AssertionError("no VmRSS for process %d" % pid)


def status_of(service):  # noqa: F811
    code, status = service.json("/api/status")
    assert code == 200, status
    return status


def each_reader_gets(readers, parts, what):
    marks = [len(r.frames) for r in readers]
    wait_for(what, lambda: all(len(r.frames) >= m + parts or r.problem
                               for r, m in zip(readers, marks)), seconds=120)
    assert not [r.problem for r in readers if r.problem]


def test_twenty_readers_and_stuck_clients_hold_up_nobody(service):  # noqa: F811
    first_frame(service)
    pid = service.process.pid
    readers = [Reader(service.base) for _ in range(READERS)]
    stuck = []
    try:
        for reader in readers:
            reader.start()
        wait_for("%d streams" % READERS, lambda: status_of(service)["streams"] == READERS)
        each_reader_gets(readers, 30, "30 pictures for every reader")
        before = status_of(service)
        memory_before = resident_bytes(pid)

        # Clients that ask for the stream and never read a byte of it.
        stuck = [open_stream(service.base, receive_buffer=4096) for _ in range(STUCK)]
        wait_for("the stuck clients' streams",
                 lambda: status_of(service)["streams"] == READERS + STUCK)
        peak = [memory_before]

        def stuck_closed():
            peak[0] = max(peak[0], resident_bytes(pid))
            return status_of(service)["streams"] == READERS
        marks = [len(r.frames) for r in readers]
        wait_for("the service to close the clients that stopped reading", stuck_closed,
                 seconds=STUCK_WAIT, pause=0.5)
        # The readers went on while the stuck ones were still connected.
        assert all(len(r.frames) >= m + 30 for r, m in zip(readers, marks)), \
            [len(r.frames) - m for r, m in zip(readers, marks)]
        each_reader_gets(readers, 30, "30 more pictures for every reader")
        after = status_of(service)
        memory_after = resident_bytes(pid)

        assert not [r.problem for r in readers if r.problem]
        for reader in readers:
            numbers = list(reader.frames)
            assert numbers == sorted(set(numbers)), "a reader got a frame twice or out of order"
        # Tracking took (nearly) every frame the camera sent it, whoever watched.
        tracked = after["frames"] - before["frames"]
        dropped = after["framesDropped"] - before["framesDropped"]
        assert tracked > 0 and dropped <= max(3, tracked // 50), (tracked, dropped)
        # AddressSanitizer keeps freed memory in quarantine (up to 256 MB): no measure there.
        if os.environ.get("QUELTA_SANITIZED") != "1":
            assert peak[0] - memory_before < MEMORY_GROWTH, (memory_before, peak[0])
            assert memory_after - memory_before < MEMORY_GROWTH, (memory_before, memory_after)
    finally:
        for reader in readers:
            reader.stop.set()
            try:
                reader.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass  # already closed
        for reader in readers:
            reader.join(timeout=SOCKET_WAIT)
        for connection in stuck:
            connection.close()
    assert status_of(service)["live"]
