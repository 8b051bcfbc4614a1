#!/usr/bin/env python3
"""A POP3 server that stalls where a TLS handshake should run.

usage: stalling_pop3.py <address> <port> <mode> <record-file> <lifetime-s>

mode "tls": accepts and never answers (a POP3S client waits for the server's
            side of the handshake forever);
mode "stls": greets, lists STLS in its CAPA reply, answers STLS with +OK and
            then never answers the handshake.
Every byte a client sends is appended to <record-file>; <record-file>.ready
appears once the port listens. Connections are served one at a time; the
server ends by itself after <lifetime-s> seconds.
"""
import socket
import sys
import threading
import time


def serve(client, mode, record):
    with client:
        if mode == "stls":
            client.sendall(b"+OK stalling server ready\r\n")
        pending = b""
        while True:
            try:
                data = client.recv(4096)
            except OSError:
                return
            if not data:
                return
            record.write(data)
            record.flush()
            if mode != "stls":
                continue
            pending += data
            while b"\r\n" in pending:
                line, pending = pending.split(b"\r\n", 1)
                command = line.strip().upper()
                if command == b"CAPA":
                    client.sendall(b"+OK\r\nSTLS\r\nUSER\r\n.\r\n")
                elif command == b"STLS":
                    client.sendall(b"+OK begin TLS\r\n")
                    mode = "tls"  # and say nothing more
                    break
                else:
                    client.sendall(b"-ERR not now\r\n")


def main():
    if len(sys.argv) != 6:
        sys.stderr.write(__doc__)
        return 2
    address, port, mode, record_file, lifetime = sys.argv[1:]
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, int(port)))
    listener.listen(4)

    def accept_loop():
        with open(record_file, "ab") as record:
            while True:
                client, _ = listener.accept()
                serve(client, mode, record)

    threading.Thread(target=accept_loop, daemon=True).start()
    open(record_file + ".ready", "wb").close()
    time.sleep(float(lifetime))
    return 0


if __name__ == "__main__":
    sys.exit(main())
