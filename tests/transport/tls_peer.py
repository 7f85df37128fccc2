"""An independent TCP/TLS peer for the transport tests, on loopback.

Prints {"port": N} on its first line, serves every connection in a thread of its own, and exits when
its standard input closes. Modes:
  echo         send back what arrives, until the client ends
  greet_close  send b"hello" and close
  silent       accept and hold the socket, never read or write (no TLS handshake either)
  sink         read --expect bytes, answer "<count> <sha256 hex>\n", close
  stall        accept (and handshake) but never read
  chunks       send --chunks (sizes joined by commas, e.g. "3,1") of a counting byte pattern, each
               in one write, --pause seconds apart; then send nothing more and hold the socket
               until the client ends
"""
import argparse
import hashlib
import json
import socket
import ssl
import sys
import threading
import time

parser = argparse.ArgumentParser()
parser.add_argument("--mode", required=True)
parser.add_argument("--cert")
parser.add_argument("--key")
parser.add_argument("--expect", type=int, default=0)
parser.add_argument("--chunks", default="")
parser.add_argument("--pause", type=float, default=0.0)
args = parser.parse_args()

context = None
if args.cert:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)

held = []


def serve(conn):
    try:
        if context is not None and args.mode != "silent":
            conn = context.wrap_socket(conn, server_side=True)
        held.append(conn)
        if args.mode == "echo":
            while True:
                data = conn.recv(65536)
                if not data:
                    break
                conn.sendall(data)
            conn.close()
        elif args.mode == "greet_close":
            conn.sendall(b"hello")
            conn.close()
        elif args.mode == "sink":
            digest = hashlib.sha256()
            count = 0
            while count < args.expect:
                data = conn.recv(65536)
                if not data:
                    break
                digest.update(data)
                count += len(data)
            conn.sendall(("%d %s\n" % (count, digest.hexdigest())).encode())
            conn.close()
        elif args.mode == "chunks":
            sent = 0
            for index, size in enumerate(int(n) for n in args.chunks.split(",")):
                if index > 0:
                    time.sleep(args.pause)
                conn.sendall(bytes((sent + i) % 251 for i in range(size)))
                sent += size
            while conn.recv(65536):
                pass
            conn.close()
    except (OSError, ssl.SSLError):
        pass


listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(16)
print(json.dumps({"port": listener.getsockname()[1]}), flush=True)


def accept_loop():
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


threading.Thread(target=accept_loop, daemon=True).start()
sys.stdin.read()
