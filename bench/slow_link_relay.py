#!/usr/bin/env python3
"""A TCP relay that behaves like a slow link (a dial-up modem).

usage: slow_link_relay.py <listen-port> <upstream-port> <delay-ms> <kbit/s> <stats-file>

Listens on 127.0.0.1:<listen-port> and relays each connection to
127.0.0.1:<upstream-port>. Each direction is a link of its own: bytes queue
for the line at <kbit/s> and arrive <delay-ms> after they left it. When a
connection ends, one line "<client-to-server bytes> <server-to-client bytes>"
is appended to <stats-file>. Runs until killed.
"""
import collections
import socket
import sys
import threading
import time

CHUNK = 256  # bytes put on the line at once; smaller chunks arrive sooner


class Link:
    """One direction: reads from `source`, delivers to `sink` late and slowly."""

    def __init__(self, source, sink, delay, bytes_per_second):
        self.source, self.sink = source, sink
        self.delay, self.rate = delay, bytes_per_second
        self.queue = collections.deque()
        self.ready = threading.Condition()
        self.closed = False
        self.count = 0
        self.line_free = 0.0  # when the line has sent what it was given

    def read(self):
        try:
            while True:
                data = self.source.recv(65536)
                if not data:
                    break
                self.count += len(data)
                with self.ready:
                    for at in range(0, len(data), CHUNK):
                        piece = data[at:at + CHUNK]
                        start = max(time.monotonic(), self.line_free)
                        self.line_free = start + len(piece) / self.rate
                        self.queue.append((self.line_free + self.delay, piece))
                    self.ready.notify()
        except OSError:
            pass
        with self.ready:
            self.closed = True
            self.ready.notify()

    def write(self):
        try:
            while True:
                with self.ready:
                    while not self.queue and not self.closed:
                        self.ready.wait()
                    if not self.queue:
                        break
                    due, piece = self.queue.popleft()
                wait = due - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
                self.sink.sendall(piece)
        except OSError:
            pass
        try:
            self.sink.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def start(self):
        threads = [threading.Thread(target=f, daemon=True) for f in (self.read, self.write)]
        for t in threads:
            t.start()
        return threads


def relay(client, upstream_port, delay, rate, stats, lock):
    with client:
        try:
            upstream = socket.create_connection(("127.0.0.1", upstream_port), timeout=5)
        except OSError:
            return
        with upstream:
            upstream.settimeout(None)
            for s in (client, upstream):
                s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            up = Link(client, upstream, delay, rate)
            down = Link(upstream, client, delay, rate)
            threads = up.start() + down.start()
            for t in threads:
                t.join()
    with lock, open(stats, "a") as out:
        out.write("%d %d\n" % (up.count, down.count))


def main():
    if len(sys.argv) != 6:
        sys.stderr.write(__doc__)
        return 2
    listen_port, upstream_port = int(sys.argv[1]), int(sys.argv[2])
    delay, rate = float(sys.argv[3]) / 1000, float(sys.argv[4]) * 1000 / 8
    stats, lock = sys.argv[5], threading.Lock()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", listen_port))
    listener.listen(16)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=relay, args=(client, upstream_port, delay, rate, stats, lock),
                         daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
