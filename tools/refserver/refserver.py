#!/usr/bin/python3
"""Reference authorization server: the server's side of the sealed request envelope, over HTTPS.

Written from the protocol alone and independent of the client's code, so that end-to-end tests
judge what the client really sends. It makes a test CA and a server certificate at start, serves
HTTPS on loopback, and prints one JSON line:
    {"port": ..., "ca": "<path of the CA in PEM>", "host": "https://127.0.0.1:<port>",
     "pubVtnBase64": "<Base64 of the server's RSA public key, SubjectPublicKeyInfo DER>"}

Control: one JSON command per line on standard input, one JSON answer per line on standard output.
    {"cmd": "script", "answers": [ {...}, ... ]}  queue how the next action answers misbehave
    {"cmd": "requests"}                          every action request seen so far, opened
    {"cmd": "state"}                             per-device and per-session state
    {"cmd": "reset"}                             forget script, requests and state
    {"cmd": "quit"}                              stop (end of input stops too)

A script entry applies to the next action request (FIFO); with "type" it waits for a request of
that action type. Its members, all optional:
    "delay": seconds before answering            "drop": true   close without an answer
    "httpStatus": n (default 200)                "raw": text    send this text as the answer
    "json": value   send this JSON as the answer (for example an "error" object)
    "answerSet": {...} / "answerRemove": [...]   change members of the outer answer
    "bodySet": {...}   / "bodyRemove": [...]     change members of the answer body before sealing
    "seal": "wrongKey" | "wrongIv" | "flip" | "notObject"   spoil the sealed body
The answer body always starts from {"nonceQOR": <the request's nonce>} plus what the action's
handler adds; the outer answer from {"dataEncryptedResponse", "signatureVTN",
"status": {"code": 0, "message": "ok"}}.

Test endpoint for the HTTP layer: GET/POST /test/echo[?delay=s&status=n&size=n&trickle=s] answers
a JSON description of the request (method, path, header fields in order, body in Base64, connection
number, request number on that connection).
"""

import argparse
import base64
import datetime
import ipaddress
import json
import os
import secrets
import socket
import socketserver
import ssl
import sys
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, HTTPServer

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, padding, rsa
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID


def b64(data):
    return base64.b64encode(data).decode("ascii")


def b64decode_strict(text):
    return base64.b64decode(text.encode("ascii"), validate=True)


class Refused(Exception):
    """A request the server refuses: HTTP 400 with an "error" object."""

    def __init__(self, code, message):
        super().__init__(message)
        self.code = code
        self.message = message


# ----------------------------------------------------------------------------------------------
# Action table. Each action type names the exact members of its plain header and plain body, how
# its body is sealed, and a handler that adds members to the answer body. Later flows add rows.

HEADER_BASE = {"type", "nIV", "symmetricKeyQOR"}
BODY_BASE = {"nonceQOR"}


def handle_core_test(ctx):
    """Type 900: the bare envelope, used by the core's own tests. Echoes what it opened."""
    return {"echoType": ctx.header["type"], "installationId": ctx.installation_id}


class ActionSpec:
    def __init__(self, name, header_members, body_members, handler, paths):
        self.name = name
        self.header_members = set(header_members)
        self.body_members = set(body_members)
        self.handler = handler
        self.paths = set(paths)


PATH_ACTIONS = "/vtn-service/rest/actions"

ACTIONS = {
    900: ActionSpec("core test", HEADER_BASE, BODY_BASE, handle_core_test, [PATH_ACTIONS]),
}

# The envelope member that carries the sealed body, by path.
REQUEST_DATA_KEYS = {
    PATH_ACTIONS: "dataEncryptedRequest",
}


class Context:
    """What a handler sees of one opened request."""

    def __init__(self, server_state, installation_id, header, body, path):
        self.state = server_state
        self.installation_id = installation_id
        self.header = header
        self.body = body
        self.path = path

    def device(self):
        return self.state.devices.setdefault(self.installation_id, {"requests": 0, "types": []})

    def session(self, key):
        return self.state.sessions.setdefault(key, {})


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.script = []
        self.requests = []
        self.devices = {}
        self.sessions = {}
        self.connections = 0

    def take_script_entry(self, action_type):
        with self.lock:
            for i, entry in enumerate(self.script):
                if "type" not in entry or entry["type"] == action_type:
                    return self.script.pop(i)
        return {}


# ----------------------------------------------------------------------------------------------
# Certificates and keys, made fresh at every start.

def make_certificates(folder, names):
    now = datetime.datetime.now(datetime.timezone.utc)
    ca_key = ec.generate_private_key(ec.SECP256R1())
    ca_name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "QOR reference server test CA")])
    ca_cert = (
        x509.CertificateBuilder()
        .subject_name(ca_name).issuer_name(ca_name)
        .public_key(ca_key.public_key())
        .serial_number(x509.random_serial_number())
        .not_valid_before(now - datetime.timedelta(days=1))
        .not_valid_after(now + datetime.timedelta(days=2))
        .add_extension(x509.BasicConstraints(ca=True, path_length=0), critical=True)
        .add_extension(x509.KeyUsage(digital_signature=True, key_cert_sign=True, crl_sign=True,
                                     content_commitment=False, key_encipherment=False,
                                     data_encipherment=False, key_agreement=False,
                                     encipher_only=False, decipher_only=False), critical=True)
        .add_extension(x509.SubjectKeyIdentifier.from_public_key(ca_key.public_key()), critical=False)
        .sign(ca_key, hashes.SHA256())
    )
    leaf_key = ec.generate_private_key(ec.SECP256R1())
    alt = []
    for name in names:
        try:
            alt.append(x509.IPAddress(ipaddress.ip_address(name)))
        except ValueError:
            alt.append(x509.DNSName(name))
    leaf_cert = (
        x509.CertificateBuilder()
        .subject_name(x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, names[0])]))
        .issuer_name(ca_name)
        .public_key(leaf_key.public_key())
        .serial_number(x509.random_serial_number())
        .not_valid_before(now - datetime.timedelta(days=1))
        .not_valid_after(now + datetime.timedelta(days=2))
        .add_extension(x509.SubjectAlternativeName(alt), critical=False)
        .add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
        .add_extension(x509.ExtendedKeyUsage([ExtendedKeyUsageOID.SERVER_AUTH]), critical=False)
        .add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(ca_key.public_key()),
                       critical=False)
        .sign(ca_key, hashes.SHA256())
    )
    ca_path = os.path.join(folder, "ca.pem")
    cert_path = os.path.join(folder, "server.pem")
    key_path = os.path.join(folder, "server-key.pem")
    with open(ca_path, "wb") as f:
        f.write(ca_cert.public_bytes(serialization.Encoding.PEM))
    with open(cert_path, "wb") as f:
        f.write(leaf_cert.public_bytes(serialization.Encoding.PEM))
    with open(key_path, "wb") as f:
        f.write(leaf_key.private_bytes(serialization.Encoding.PEM,
                                       serialization.PrivateFormat.PKCS8,
                                       serialization.NoEncryption()))
    return ca_path, cert_path, key_path


# ----------------------------------------------------------------------------------------------
# The envelope.

def require_members(what, obj, members):
    if not isinstance(obj, dict):
        raise Refused(2, f"{what} is not a JSON object")
    got = set(obj.keys())
    if got != set(members):
        raise Refused(2, f"{what} members {sorted(got)} are not {sorted(members)}")


def require_text(what, value):
    if not isinstance(value, str):
        raise Refused(2, f"{what} is not text")
    return value


def decode_b64_member(what, value, length=None):
    require_text(what, value)
    try:
        data = b64decode_strict(value)
    except Exception:
        raise Refused(2, f"{what} is not Base64")
    if length is not None and len(data) != length:
        raise Refused(2, f"{what} holds {len(data)} bytes, not {length}")
    return data


class Opened:
    """One request, opened: what the log shows and what the answer needs."""

    def __init__(self):
        self.installation_id = None
        self.header = None
        self.body = None
        self.key = None
        self.iv = None
        self.action = None


def load_json(data, code, what):
    """The JSON value of UTF-8 bytes; Refused(code) naming `what` when they are none."""
    try:
        return json.loads(data.decode("utf-8"))
    except Exception:
        raise Refused(code, f"{what} is not JSON")


def open_envelope(server_key, path, raw, opened):
    envelope = load_json(raw, 1, "the request")
    data_key = REQUEST_DATA_KEYS[path]
    require_members("the request", envelope, {"installationId", "encryptedHeader", data_key})
    opened.installation_id = require_text("installationId", envelope["installationId"])

    sealed_header = decode_b64_member("encryptedHeader", envelope["encryptedHeader"])
    try:
        plain_header = server_key.decrypt(sealed_header, padding.PKCS1v15())
    except Exception:
        raise Refused(3, "the header does not open under the server's key")
    header = load_json(plain_header, 3, "the header")
    if not isinstance(header, dict):
        raise Refused(3, "the header is not a JSON object")
    opened.header = header
    action_type = header.get("type")
    if isinstance(action_type, bool) or not isinstance(action_type, int):
        raise Refused(3, "the header's type is not a number")
    action = ACTIONS.get(action_type)
    if action is None:
        raise Refused(4, f"unknown action type {action_type}")
    if path not in action.paths:
        raise Refused(4, f"action type {action_type} does not belong on {path}")
    require_members("the header", header, action.header_members)
    opened.action = action
    opened.iv = decode_b64_member("nIV", header["nIV"], 16)
    opened.key = decode_b64_member("symmetricKeyQOR", header["symmetricKeyQOR"], 16)

    sealed_body = decode_b64_member(data_key, envelope[data_key])
    if len(sealed_body) < 16:
        raise Refused(5, "the body is shorter than its tag")
    try:
        plain_body = AESGCM(opened.key).decrypt(opened.iv, sealed_body, None)
    except Exception:
        raise Refused(5, "the body does not open under the header's key and IV")
    body = load_json(plain_body, 5, "the body")
    require_members("the body", body, action.body_members)
    decode_b64_member("nonceQOR", body["nonceQOR"])
    opened.body = body


def seal_answer(server_key, opened, extras, entry):
    body = {"nonceQOR": opened.body["nonceQOR"]}
    body.update(extras)
    body.update(entry.get("bodySet", {}))
    for name in entry.get("bodyRemove", []):
        body.pop(name, None)
    seal = entry.get("seal")
    plain = json.dumps([body] if seal == "notObject" else body).encode("utf-8")
    key = secrets.token_bytes(16) if seal == "wrongKey" else opened.key
    iv = secrets.token_bytes(16) if seal == "wrongIv" else opened.iv
    sealed = bytearray(AESGCM(key).encrypt(iv, plain, None))
    if seal == "flip":
        sealed[0] ^= 0x01
    signature = server_key.sign(bytes(sealed), padding.PKCS1v15(), hashes.SHA256())
    answer = {
        "dataEncryptedResponse": b64(bytes(sealed)),
        "signatureVTN": b64(signature),
        "status": {"code": 0, "message": "ok"},
    }
    answer.update(entry.get("answerSet", {}))
    for name in entry.get("answerRemove", []):
        answer.pop(name, None)
    return answer


# ----------------------------------------------------------------------------------------------
# HTTP.

class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 30  # an idle keep-alive connection is closed after this
    # An answer goes out in two writes (header, body): with Nagle's algorithm the body would wait for
    # the client's delayed ACK of the header, some 40 ms on every kept-alive request.
    disable_nagle_algorithm = True

    def setup(self):
        super().setup()
        with self.server.state.lock:
            self.server.state.connections += 1
            self.connection_number = self.server.state.connections
        self.requests_on_connection = 0

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("refserver: " + (fmt % args) + "\n")

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def send_bytes(self, status, data, content_type="application/json"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def send_json(self, status, value):
        self.send_bytes(status, json.dumps(value).encode("utf-8"))

    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def do_PUT(self):
        self.dispatch()

    def do_DELETE(self):
        self.dispatch()

    def dispatch(self):
        self.requests_on_connection += 1
        url = urllib.parse.urlsplit(self.path)
        raw = self.read_body()
        if url.path == "/test/echo":
            self.echo(url, raw)
        elif url.path in REQUEST_DATA_KEYS:
            self.action(url.path, raw)
        else:
            self.send_json(404, {"error": {"code": 404, "message": "no such path"}})

    def echo(self, url, raw):
        query = urllib.parse.parse_qs(url.query)
        if "delay" in query:
            time.sleep(float(query["delay"][0]))
        description = {
            "method": self.command,
            "path": self.path,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": b64(raw),
            "connection": self.connection_number,
            "requestOnConnection": self.requests_on_connection,
        }
        if "size" in query:
            description["padding"] = "x" * int(query["size"][0])
        status = int(query.get("status", ["200"])[0])
        if "trickle" not in query:
            self.send_json(status, description)
            return
        # The answer in ten chunks spread over the given seconds: slow, but never idle for long.
        data = json.dumps(description).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        chunk = max(1, len(data) // 10 + 1)
        pause = float(query["trickle"][0]) / 10
        for start in range(0, len(data), chunk):
            self.wfile.write(data[start:start + chunk])
            self.wfile.flush()
            time.sleep(pause)

    def action(self, path, raw):
        state = self.server.state
        opened = Opened()
        record = {
            "path": path,
            "method": self.command,
            "headers": [[k, v] for k, v in self.headers.items()],
            "connection": self.connection_number,
        }
        try:
            if self.command not in ("POST", "PUT"):
                raise Refused(1, f"method {self.command} is not allowed")
            open_envelope(self.server.server_key, path, raw, opened)
        except Refused as refused:
            record.update({"accepted": False, "reason": refused.message,
                           "installationId": opened.installation_id, "header": opened.header,
                           "body": opened.body})
            with state.lock:
                state.requests.append(record)
            self.send_json(400, {"error": {"code": refused.code, "message": refused.message}})
            return

        entry = state.take_script_entry(opened.header["type"])
        record.update({"accepted": True, "installationId": opened.installation_id,
                       "header": opened.header, "body": opened.body, "script": entry})
        with state.lock:
            ctx = Context(state, opened.installation_id, opened.header, opened.body, path)
            device = ctx.device()
            device["requests"] += 1
            device["types"].append(opened.header["type"])
            extras = opened.action.handler(ctx)
            state.requests.append(record)

        if entry.get("delay"):
            time.sleep(float(entry["delay"]))
        if entry.get("drop"):
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        status = int(entry.get("httpStatus", 200))
        if "raw" in entry:
            self.send_bytes(status, entry["raw"].encode("utf-8"), "text/plain")
        elif "json" in entry:
            self.send_json(status, entry["json"])
        else:
            self.send_json(status, seal_answer(self.server.server_key, opened, extras, entry))


class TLSServer(socketserver.ThreadingMixIn, HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, context, state, server_key, verbose):
        super().__init__(address, Handler)
        self.context = context
        self.state = state
        self.server_key = server_key
        self.verbose = verbose

    def handle_error(self, request, client_address):
        # A client that hangs up early (time-out and cancel tests) is no fault of the server.
        if self.verbose:
            super().handle_error(request, client_address)

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the connection's own thread, so a silent client never stalls
        # the accept loop.
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as e:
            if self.verbose:
                sys.stderr.write(f"refserver: handshake failed: {e}\n")
            return
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            try:
                tls.close()
            except OSError:
                pass


# ----------------------------------------------------------------------------------------------
# Control over standard input.

def control_loop(server, state):
    def answer(value):
        sys.stdout.write(json.dumps(value) + "\n")
        sys.stdout.flush()

    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        try:
            command = json.loads(line)
            cmd = command.get("cmd")
        except Exception:
            answer({"ok": False, "error": "not a JSON command"})
            continue
        if cmd == "script":
            with state.lock:
                state.script.extend(command.get("answers", []))
            answer({"ok": True})
        elif cmd == "requests":
            with state.lock:
                answer({"ok": True, "requests": state.requests})
        elif cmd == "state":
            with state.lock:
                answer({"ok": True, "devices": state.devices, "sessions": state.sessions,
                        "connections": state.connections, "pendingScript": len(state.script)})
        elif cmd == "reset":
            with state.lock:
                state.script.clear()
                state.requests.clear()
                state.devices.clear()
                state.sessions.clear()
            answer({"ok": True})
        elif cmd == "quit":
            answer({"ok": True})
            break
        else:
            answer({"ok": False, "error": f"unknown command {cmd}"})
    server.shutdown()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dir", help="folder for the test CA and certificates (default: a new one)")
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--cert-name", action="append",
                        help="a name of the server certificate (default: localhost and 127.0.0.1)")
    parser.add_argument("--script", help="a JSON file with a list of script entries to start with")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    folder = args.dir or tempfile.mkdtemp(prefix="qor-refserver-")
    names = args.cert_name or ["localhost", "127.0.0.1"]
    ca_path, cert_path, key_path = make_certificates(folder, names)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert_path, key_path)

    server_key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    public_der = server_key.public_key().public_bytes(
        serialization.Encoding.DER, serialization.PublicFormat.SubjectPublicKeyInfo)

    state = State()
    if args.script:
        with open(args.script) as f:
            state.script.extend(json.load(f))
    server = TLSServer((args.bind, args.port), context, state, server_key, args.verbose)
    port = server.server_address[1]
    sys.stdout.write(json.dumps({
        "port": port,
        "ca": ca_path,
        "host": f"https://127.0.0.1:{port}",
        "pubVtnBase64": b64(public_der),
    }) + "\n")
    sys.stdout.flush()

    control = threading.Thread(target=control_loop, args=(server, state), daemon=True)
    control.start()
    server.serve_forever()
    server.server_close()


if __name__ == "__main__":
    main()
