#!/usr/bin/env python3
"""A TCP relay that records what clients send.

usage: tcp_relay.py <listen-address> <upstream-address> <record-dir> <lifetime-s> <port>...

Listens on <listen-address>:<port> for every port and relays each connection
to <upstream-address>:<port>. Connection k on port p writes every byte the
client sent to <record-dir>/p.k.sent as it arrives, and creates p.k.done
once both directions are closed. <record-dir>/ready appears when all ports
listen. The relay ends by itself after <lifetime-s> seconds.
"""
import os
import socket
import sys
import threading
import time


def pump(source, sink, record):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if record is not None:
                record.write(data)
                record.flush()
            sink.sendall(data)
    except OSError:
        pass
    try:
        sink.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def relay(client, upstream_address, port, base):
    with client, open(base + ".sent", "wb") as record:
        try:
            upstream = socket.create_connection((upstream_address, port), timeout=5)
        except OSError:
            upstream = None
        if upstream is not None:
            with upstream:
                upstream.settimeout(None)
                back = threading.Thread(target=pump, args=(upstream, client, None), daemon=True)
                back.start()
                pump(client, upstream, record)
                back.join(30)
    open(base + ".done", "wb").close()


def serve(listener, upstream_address, port, record_dir, counter, lock):
    while True:
        try:
            client, _ = listener.accept()
        except OSError:
            return
        with lock:
            counter[0] += 1
            number = counter[0]
        base = os.path.join(record_dir, "%d.%d" % (port, number))
        threading.Thread(target=relay, args=(client, upstream_address, port, base),
                         daemon=True).start()


def main():
    if len(sys.argv) < 6:
        sys.stderr.write(__doc__)
        return 2
    listen_address, upstream_address, record_dir = sys.argv[1:4]
    lifetime = float(sys.argv[4])
    counter, lock = [0], threading.Lock()
    for port in (int(p) for p in sys.argv[5:]):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind((listen_address, port))
        listener.listen(16)
        threading.Thread(target=serve,
                         args=(listener, upstream_address, port, record_dir, counter, lock),
                         daemon=True).start()
    open(os.path.join(record_dir, "ready"), "wb").close()
    time.sleep(lifetime)
    return 0


if __name__ == "__main__":
    sys.exit(main())
