#!/usr/bin/python3
"""A WebSocket server that misbehaves on purpose, for the tests of what a client does with it.

Plain sockets and the standard library only. Prints {"port": N} on its first line and exits when its
standard input closes. The request path names the misbehaviour; with the query "?after=request" the
server first accepts the upgrade and reads one frame of the client (a request), then misbehaves.

After an accepted upgrade:
    masked-frame       a text frame masked by the server
    reserved-opcode    a frame of opcode 3
    bad-utf8           a text frame that is not UTF-8
    huge-length        a 64-bit length with its top bit set
    fragmented-ping    a ping without FIN
    reserved-bits      a text frame with RSV2 set
    oversized-ping     a ping of 126 bytes
    drop-mid-frame     half a text frame, then the connection ends
Instead of an accepting answer:
    refused-403        403 whose body holds a valid text frame
    status-200         200 whose body holds a valid text frame
    garbage            a line that is no status line, then a text frame
    wrong-accept       101 with an accept value for another key
    endless-header     header lines past 64 KiB without an end
    silent             nothing at all, the connection held open
    drop-before-answer the connection ends without an answer
"""
import base64
import hashlib
import json
import os
import socket
import struct
import sys
import threading
import urllib.parse

GUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"
held = []


def frame(opcode, payload, fin=True, rsv=0, mask=False, length_field=None):
    head = bytes([(0x80 if fin else 0) | rsv | opcode])
    n = len(payload)
    mask_bit = 0x80 if mask else 0
    if length_field is not None:
        head += bytes([mask_bit | 127]) + length_field
    elif n <= 125:
        head += bytes([mask_bit | n])
    elif n <= 0xFFFF:
        head += bytes([mask_bit | 126]) + struct.pack("!H", n)
    else:
        head += bytes([mask_bit | 127]) + struct.pack("!Q", n)
    if mask:
        key = os.urandom(4)
        payload = bytes(b ^ key[i % 4] for i, b in enumerate(payload))
        head += key
    return head + payload


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return None, None
        data += chunk
    head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
    lines = head.split("\r\n")
    target = lines[0].split(" ")[1]
    fields = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        fields[name.strip().lower()] = value.strip()
    return target, fields


def accept_value(key):
    return base64.b64encode(hashlib.sha1((key + GUID).encode()).digest()).decode()


def accepting_answer(key):
    return ("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            f"Sec-WebSocket-Accept: {accept_value(key)}\r\n\r\n").encode()


def read_exact(conn, n):
    data = b""
    while len(data) < n:
        chunk = conn.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


def read_client_frame(conn):
    b0, b1 = read_exact(conn, 2)
    n = b1 & 0x7F
    if n == 126:
        n = struct.unpack("!H", read_exact(conn, 2))[0]
    elif n == 127:
        n = struct.unpack("!Q", read_exact(conn, 8))[0]
    read_exact(conn, 4 + n)


LEAK = frame(0x1, b"leaked")

AFTER_UPGRADE = {
    "masked-frame": frame(0x1, b"masked", mask=True),
    "reserved-opcode": frame(0x3, b"x"),
    "bad-utf8": frame(0x1, b"\xff\xfe\xfd"),
    "huge-length": frame(0x2, b"", length_field=b"\x80" + b"\x00" * 7),
    "fragmented-ping": frame(0x9, b"p", fin=False),
    "reserved-bits": frame(0x1, b"x", rsv=0x20),
    "oversized-ping": frame(0x9, b"p" * 126),
}


def serve(conn):
    held.append(conn)
    try:
        target, fields = read_request(conn)
        if target is None:
            return
        url = urllib.parse.urlsplit(target)
        mode = url.path.strip("/")
        key = fields.get("sec-websocket-key", "")
        if mode in AFTER_UPGRADE or mode == "drop-mid-frame":
            conn.sendall(accepting_answer(key))
            if "after=request" in url.query:
                read_client_frame(conn)
            if mode == "drop-mid-frame":
                whole = frame(0x1, b"this frame never ends" * 10)
                conn.sendall(whole[:len(whole) // 2])
                conn.close()
                return
            conn.sendall(AFTER_UPGRADE[mode])
        elif mode == "refused-403":
            conn.sendall(f"HTTP/1.1 403 Forbidden\r\nContent-Length: {len(LEAK)}\r\n\r\n".encode() + LEAK)
        elif mode == "status-200":
            conn.sendall(f"HTTP/1.1 200 OK\r\nContent-Length: {len(LEAK)}\r\n\r\n".encode() + LEAK)
        elif mode == "garbage":
            conn.sendall(b"this is not HTTP\r\n\r\n" + LEAK)
        elif mode == "wrong-accept":
            conn.sendall(accepting_answer("another key"))
        elif mode == "endless-header":
            conn.sendall(b"HTTP/1.1 101 Switching Protocols\r\n")
            for _ in range(80):
                conn.sendall(b"X-Filler: " + b"y" * 1000 + b"\r\n")
        elif mode == "drop-before-answer":
            conn.close()
            return
        # "silent" and everything after a misbehaviour: hold the connection until the client ends it.
        while conn.recv(65536):
            pass
    except OSError:
        pass


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    sys.stdout.write(json.dumps({"port": listener.getsockname()[1]}) + "\n")
    sys.stdout.flush()

    def accept_loop():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=serve, args=(conn,), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
