#!/usr/bin/python3
"""A WebSocket server for stress tests: python3-websockets' own protocol code (sans I/O) behind a
socket that writes in chunks of random size, with short pauses, so the client's reads split frames
and headers anywhere.

Prints {"port": N} on its first line and exits when its standard input closes. On each connection it
echoes every message the client sends (fragmenting the echo at random) and, interleaved with the
echoes, sends `?messages=M` messages of its own that check themselves: a text "S<i>:<sha256 hex of
the rest>:<rest>" or a binary whose first 32 bytes are the SHA-256 of the rest. When the client's
close arrives it prints {"event": "closed", "code": ..., "echoed": <count>, "sent": <count>}.
"""
import hashlib
import json
import os
import random
import select
import socket
import sys
import threading
import time
import urllib.parse

from websockets.frames import Close, Frame, Opcode
from websockets.http11 import Request
from websockets.server import ServerConnection


def emit(event):
    sys.stdout.write(json.dumps(event) + "\n")
    sys.stdout.flush()


class ChunkyWriter:
    def __init__(self, sock, rng):
        self.sock = sock
        self.rng = rng
        self.chunks = 0

    def write(self, data):
        at = 0
        while at < len(data):
            n = self.rng.choice((1, 2, 3, 7, 64, 500, 4096, 20000))
            self.sock.sendall(data[at:at + n])
            at += n
            self.chunks += 1
            if self.chunks % 40 == 0:
                time.sleep(0.001)


def own_message(i, rng):
    size = rng.choice((0, 1, 10, 125, 126, 1000, 65535, 65536, 70000))
    rest = os.urandom(size)
    if i % 2 == 0:
        text = rest.hex()[:size]
        return Opcode.TEXT, f"S{i}:{hashlib.sha256(text.encode()).hexdigest()}:{text}".encode()
    return Opcode.BINARY, hashlib.sha256(rest).digest() + rest


def send_fragmented(conn, opcode, data, rng):
    count = rng.choice((1, 1, 2, 3, 7))
    step = max(1, -(-len(data) // count))
    parts = [data[i:i + step] for i in range(0, len(data), step)] or [b""]
    for index, part in enumerate(parts):
        fin = index == len(parts) - 1
        if index == 0:
            (conn.send_text if opcode == Opcode.TEXT else conn.send_binary)(part, fin=fin)
        else:
            conn.send_continuation(part, fin=fin)


def serve(sock):
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    rng = random.Random()
    writer = ChunkyWriter(sock, rng)
    conn = ServerConnection(max_size=None)
    own_total = 0
    own_sent = 0
    echoed = 0
    message = None
    ended = False
    try:
        while not ended:
            timeout = 0 if own_sent < own_total else None
            readable, _, _ = select.select([sock], [], [], timeout)
            if readable:
                received = sock.recv(65536)
                if received:
                    conn.receive_data(received)
                else:
                    conn.receive_eof()
                    ended = True
            for event in conn.events_received():
                if isinstance(event, Request):
                    query = urllib.parse.parse_qs(urllib.parse.urlsplit(event.path).query)
                    own_total = int(query.get("messages", ["0"])[0])
                    conn.send_response(conn.accept(event))
                elif isinstance(event, Frame):
                    if event.opcode in (Opcode.TEXT, Opcode.BINARY):
                        message = [event.opcode, bytearray(event.data)]
                    elif event.opcode == Opcode.CONT and message is not None:
                        message[1] += event.data
                    elif event.opcode == Opcode.CLOSE:
                        emit({"event": "closed", "code": Close.parse(event.data).code, "echoed": echoed,
                              "sent": own_sent})
                    if event.fin and message is not None and event.opcode in (Opcode.TEXT, Opcode.BINARY,
                                                                               Opcode.CONT):
                        send_fragmented(conn, message[0], bytes(message[1]), rng)
                        echoed += 1
                        message = None
            if own_sent < own_total and rng.random() < 0.5:
                send_fragmented(conn, *own_message(own_sent, rng), rng)
                own_sent += 1
            for data in conn.data_to_send():
                if not data:
                    ended = True
                    break
                writer.write(data)
    except OSError:
        pass
    sock.close()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    emit({"port": listener.getsockname()[1]})

    def accept_loop():
        while True:
            sock, _ = listener.accept()
            threading.Thread(target=serve, args=(sock,), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
