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
    {"cmd": "reset"}                             forget script, requests, state and enrolled devices
    {"cmd": "enroll", ...}                       install an enrolled device (see below)
    {"cmd": "hashCodes", "records": [...]}       the 32-bit hash code of each record dictionary
    {"cmd": "offerTenant", ...}                  a tenant that a linking code links (see below)
    {"cmd": "sealForDevice", "installationId": "...", "data": "<Base64>"}
                                                 the data sealed (RSA PKCS #1 v1.5) under the utility
                                                 key that the device's enrollment sent: {"sealed"}
    {"cmd": "quit"}                              stop (end of input stops too)

A script entry applies to the next action request (FIFO); with "type" it waits for a request of
that action type. Its members, all optional:
    "delay": seconds before answering            "drop": true   close without an answer
    "httpStatus": n (default 200)                "raw": text    send this text as the answer
    "json": value   send this JSON as the answer (for example an "error" object)
    "answerSet": {...} / "answerRemove": [...]   change members of the outer answer
    "bodySet": {...}   / "bodyRemove": [...]     change members of the answer body before sealing
    "seal": "wrongKey" | "wrongIv" | "flip" | "notObject"   spoil the sealed body
    "codeBlockSet": {...} / "codeBlockRemove": [...]   change members of the code block's body
    "codeBlockMembersRemove": [...]   leave members ("id", "body", ...) out of the code block itself
    "codeBlock": value   send this value as "actionCodeBlock" instead of the one made
The answer body always starts from {"nonceQOR": <the request's nonce>} plus what the action's
handler adds; the outer answer from {"dataEncryptedResponse", "signatureVTN",
"status": {"code": 0, "message": "ok"}} ({"encryptedData", "signGateway", "status"} on the tenant
gateway "/gateway/app").

Enrollment (types 101, 102) makes an enrolled device: prepare keeps a pending enrollment (its
answer key, its initial storage key, its code block), and only a commit whose nonce, keys and records
check out, answered without a scripted fault, turns it into the enrolled device. A test that needs
an enrolled device without running the flow installs the same state with "enroll":
    {"cmd": "enroll", "installationId": "...", "enrollmentId": "...",
     "pubClient": "<Base64 of the client's RSA public key, SubjectPublicKeyInfo DER>",
     "pinKey": true|false, "transaction": {members of every prepare code block's body},
     "storageMoves": "wakeUp" | "handshake"}
It answers the keys the client keeps: {"ok": true, "pubSps": ..., "pubStorage": ...,
"pubPin": ... or null} (Base64 of SubjectPublicKeyInfo DER); the server keeps their private keys.
The client seals its key store (its private key and "pubSps") under "pubStorage" itself.
"storageMoves" says when the server takes the next storage key of a wake-up as its current one:
at that wake-up (the default), or only once handshake step 1 of that session arrives, so that a
wake-up without a handshake hands out the same storage key again.
"state" then shows, per device, the sessions and the decisions the server opened.

Authorization (types 103-107) needs an enrolled device. The device-information report (109) needs
none; when its header names an enrollment it must be the device's. "state" shows each report under
"deviceInfo".

Tenants (types 201-203, PUT on "/gateway/app"): a linking code links only the tenant offered for it:
    {"cmd": "offerTenant", "linkingCode": "...", "tenantId": n, "tenantName": "...", "theme": {...}}
("theme" optional; without it the update answer has none). The update that follows a link is that
link's second step and must carry the link's nonce. "state" shows the linked tenants under "tenants",
by external identifier.

WebSocket: the same envelopes as text messages on "ws" (wss://127.0.0.1:<port>/ws, python3-websockets,
the same certificate); see the WebSocket section.

Demo endpoints (the demo host app plays the bank's backend with them; a real server pushes the session
identifier, this one answers it), POST with a JSON body, answers JSON ({"error": {...}} with 400):
    /demo/transaction {"installationId": "...", "kind": "confirm" | "pin" | "biometric"}
        a pending transaction of that kind for the enrolled device: {"sessionId": n}. The wake-up
        that names the session takes it; its prepare answer carries the kind's chain type, a card
        text and one payment (amount, fee, recipient, currency); a PIN transaction also carries the
        device's PIN key, made on first use.
    /demo/tenant {"tenantName": "..." (optional)}
        offers a tenant with a theme under a new linking code: {"linkingCode", "tenantId"}

With --exchanges, each action request writes one JSON line to standard error when it has been
judged: {"exchange": {"type", "action", "transport", "accepted", "reason"?}}.

Test endpoint for the HTTP layer: GET/POST /test/echo[?delay=s&status=n&size=n&trickle=s&location=URL] answers
a JSON description of the request (method, path, header fields in order, body in Base64, connection
number, request number on that connection); with location, the status (a redirect) sends it there.
"""

import argparse
import base64
import datetime
import hashlib
import ipaddress
import itertools
import json
import os
import re
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
HEADER_ENROLLED = HEADER_BASE | {"enrollmentId"}
HEADER_AGREED = {"type", "nIV", "enrollmentId"}
BODY_BASE = {"nonceQOR"}


def handle_core_test(ctx):
    """Type 900: the bare envelope, used by the core's own tests. Echoes what it opened."""
    return {"echoType": ctx.header["type"], "installationId": ctx.installation_id}


def header_key(state, installation_id, header):
    """The body key of most actions: the fresh AES key the header carries."""
    return decode_b64_member("symmetricKeyQOR", header["symmetricKeyQOR"], 16)


def agreed_key(state, installation_id, header):
    """From the second handshake step on, bodies both ways are sealed with the agreed ECDH secret."""
    with state.lock:
        device = state.enrolled.get(installation_id)
        session = device and device.get("session")
        secret = session and session.get("shared")
    if secret is None:
        raise Refused(6, "no secret is agreed with this device")
    return secret


class ActionSpec:
    """One action type. `header_members` is one set of members, or a list of the sets allowed."""

    def __init__(self, name, header_members, body_members, handler, paths, body_key=header_key,
                 methods=("POST",)):
        self.name = name
        alternatives = header_members if isinstance(header_members, list) else [header_members]
        self.header_alternatives = [set(members) for members in alternatives]
        self.body_members = set(body_members)
        self.handler = handler
        self.paths = set(paths)
        self.body_key = body_key
        self.methods = set(methods)


# ----------------------------------------------------------------------------------------------
# Authorization: wake-up (105), two handshake steps (106, 107), prepare (103) and commit (104).
# Every nonce, record hash and sealed answer is checked here from the protocol's own rules.

BRAINPOOL = ec.BrainpoolP256R1()
SESSION_TIMEOUT = 120
ANSWER_FORMS = ("sps", "pin", "plain")
ids = itertools.count(1)


def md5(*parts):
    return hashlib.md5(b"".join(parts)).digest()


def spki(public_key):
    return public_key.public_bytes(serialization.Encoding.DER,
                                   serialization.PublicFormat.SubjectPublicKeyInfo)


def pkcs8(private_key):
    return private_key.private_bytes(serialization.Encoding.DER, serialization.PrivateFormat.PKCS8,
                                     serialization.NoEncryption())


def new_rsa_key():
    return rsa.generate_private_key(public_exponent=65537, key_size=2048)


def java_hash(text):
    """Java's String.hashCode over UTF-16 code units, as an unsigned 32-bit value."""
    if text is None:
        return 0
    units = text.encode("utf-16-le", "surrogatepass")
    h = 0
    for i in range(0, len(units), 2):
        h = (31 * h + int.from_bytes(units[i:i + 2], "little")) & 0xFFFFFFFF
    return h


def record_hash_code(record):
    """The 32-bit hash code of a record dictionary, by its type."""
    kind = record.get("type")
    if kind == 1102:
        return (59 * java_hash(record.get("codeBlockHash")) + java_hash(record.get("codeBlockId"))
                + 4041441) & 0xFFFFFFFF
    if kind == 1104:
        return (59 * java_hash(record.get("codeBlockId")) + 4048404) & 0xFFFFFFFF
    if kind in (302, 304, 310) and record.get("className") == "SessionArtifact":
        return kind + 59
    if record.get("className") == "IntegrityArtifact":
        return (59 * java_hash(record.get("finding")) + java_hash(record.get("detail"))
                + (59 + kind) * 59 * 59) & 0xFFFFFFFF
    if record.get("className") == "ScreenshotArtifact":
        prime = 59
        return (prime * (prime + kind) + prime * java_hash(record.get("screenshotData"))) & 0xFFFFFFFF
    return 0


# The exact members of each kind of record the server knows; other kinds (a screenshot, the device
# information) need only a numeric "type" and a "className".
RECORD_FORMS = {
    "CodeBlockArtifact": ({"type", "className", "codeBlockId", "codeBlockHash"}, {1102}),
    "CallArtifact": ({"type", "className", "codeBlockId", "calls"}, {1104}),
    "SessionArtifact": ({"type", "className"}, {302, 304, 310}),
    "UserAnswer": ({"type", "className", "value"}, {401, 402, 404, 405, 412, 413, 414}),
    "IntegrityArtifact": ({"type", "className", "finding", "detail"}, {320, 321, 322, 323}),
}


def check_records(records):
    if not isinstance(records, list):
        raise Refused(8, "artifacts is not a list")
    for record in records:
        if not isinstance(record, dict):
            raise Refused(8, "a record is not a JSON object")
        kind = record.get("type")
        if isinstance(kind, bool) or not isinstance(kind, int):
            raise Refused(8, f"a record's type is not a number: {record}")
        name = record.get("className")
        if not isinstance(name, str):
            raise Refused(8, f"a record has no className: {record}")
        if name in RECORD_FORMS:
            members, kinds = RECORD_FORMS[name]
            if set(record) != members or kind not in kinds:
                raise Refused(8, f"malformed {name} record: {record}")
        if name == "CallArtifact" and record["calls"] != []:
            raise Refused(8, "a calls record with calls")
        for member in ("codeBlockId", "codeBlockHash", "value", "finding", "detail"):
            if member in record and not isinstance(record[member], str):
                raise Refused(8, f"{member} is not text: {record}")


def enrolled_device(ctx):
    device = ctx.state.enrolled.get(ctx.installation_id)
    if device is None:
        raise Refused(6, f"device {ctx.installation_id} is not enrolled")
    if ctx.header.get("enrollmentId") != device["enrollmentId"]:
        raise Refused(6, "the header's enrollmentId is not the device's")
    return device


def current_session(ctx, device, needs):
    session = device.get("session")
    if session is None or needs not in session:
        raise Refused(6, f"no authorization of this device has reached {needs}")
    return session


def body_bytes(ctx, name):
    return decode_b64_member(name, ctx.body[name])


def check_nonce(ctx, expected, rule):
    got = body_bytes(ctx, "nonceQOR")
    if got != expected:
        raise Refused(7, f"nonceQOR is not {rule}")
    ctx.session(ctx.installation_id).setdefault("nonceChecks", []).append(
        {"type": ctx.header["type"], "rule": rule, "nonce": b64(got)})


def check_random_nonce(ctx):
    if len(body_bytes(ctx, "nonceQOR")) != 16:
        raise Refused(7, "nonceQOR does not hold 16 bytes")


def code_block(ctx, kind, members):
    """An "actionCodeBlock" whose body carries the members; remembers the block's id and digest."""
    body = dict(members)
    body.update(ctx.entry.get("codeBlockSet", {}))
    for name in ctx.entry.get("codeBlockRemove", []):
        body.pop(name, None)
    raw = json.dumps(body).encode("utf-8")
    block_id = f"{kind}-{next(ids)}"
    block = {"id": block_id, "lifeTime": 300, "body": b64(raw)}
    for name in ctx.entry.get("codeBlockMembersRemove", []):
        block.pop(name, None)
    return block, {"id": block_id, "hash": b64(hashlib.sha256(raw).digest()), "seed": body.get("seed")}


def answer_block(ctx, block):
    return {"actionCodeBlock": ctx.entry.get("codeBlock", block)}


def new_seed():
    return secrets.token_urlsafe(12)


def handle_wake_up(ctx):
    device = enrolled_device(ctx)
    check_random_nonce(ctx)
    session_id = ctx.body["sessionId"]
    if isinstance(session_id, bool) or not isinstance(session_id, int):
        raise Refused(2, "sessionId is not a number")
    check_records(ctx.body["artifacts"])
    next_storage = new_rsa_key()
    block, kept = code_block(ctx, "wakeup", {
        "seed": new_seed(),
        "prvStorageCurrent": b64(pkcs8(device["storage"])),
        "pubStorageNext": b64(spki(next_storage.public_key())),
    })
    # The client seals its key store again under the next key, so only that one opens it next time.
    if device["storageMoves"] == "handshake":
        device["storageNext"] = next_storage
    else:
        device["storage"] = next_storage
    pending = ctx.state.transactions.get(session_id)
    transaction = {}
    if pending is not None and pending["installationId"] == ctx.installation_id:
        transaction = ctx.state.transactions.pop(session_id)["members"]
    device["session"] = {"sessionId": session_id, "wakeUp": kept, "seed": kept["seed"], "transaction": transaction}
    ctx.state.sessions[ctx.installation_id] = {"sessionId": session_id, "steps": [105],
                                               "wakeUpArtifacts": ctx.body["artifacts"]}
    return answer_block(ctx, block)


def handle_handshake_1(ctx):
    device = enrolled_device(ctx)
    session = current_session(ctx, device, "wakeUp")
    client_dh = body_bytes(ctx, "pubQORDH")
    try:
        client_key = serialization.load_der_public_key(client_dh)
    except Exception:
        raise Refused(2, "pubQORDH is not a public key")
    if not isinstance(client_key, ec.EllipticCurvePublicKey) or client_key.curve.name != BRAINPOOL.name:
        raise Refused(2, "pubQORDH is not a brainpoolP256r1 key")
    seed = (session["seed"] or "").encode("utf-8")
    check_nonce(ctx, md5(client_dh, seed), "MD5(pubQORDH || wake-up seed)")
    if "storageNext" in device:
        device["storage"] = device.pop("storageNext")
    server_key = ec.generate_private_key(BRAINPOOL)
    session["clientDh"] = client_dh
    session["serverDh"] = spki(server_key.public_key())
    # The agreed secret is the first 16 bytes of the shared point's x-coordinate, without a KDF.
    session["shared"] = server_key.exchange(ec.ECDH(), client_key)[:16]
    ctx.answer_key = secrets.token_bytes(16)
    ctx.answer_members["skVTN"] = b64(device["pubClient"].encrypt(ctx.answer_key, padding.PKCS1v15()))
    ctx.state.sessions[ctx.installation_id]["steps"].append(106)
    return {"pubVTNDH": b64(session["serverDh"])}


def handle_handshake_2(ctx):
    device = enrolled_device(ctx)
    session = current_session(ctx, device, "serverDh")
    if body_bytes(ctx, "pubQORDH") != session["clientDh"]:
        raise Refused(2, "pubQORDH is not the key of the first step")
    if body_bytes(ctx, "pubVTNDH") != session["serverDh"]:
        raise Refused(2, "pubVTNDH is not the server's key")
    seed = (session["seed"] or "").encode("utf-8")
    check_nonce(ctx, md5(session["clientDh"], session["serverDh"], seed),
                "MD5(pubQORDH || pubVTNDH || wake-up seed)")
    ctx.state.sessions[ctx.installation_id]["steps"].append(107)
    session["handshake"] = True
    return {}


def session_started():
    now = datetime.datetime.now(datetime.timezone.utc)
    return now.strftime("%Y-%m-%dT%H:%M:%S.") + f"{now.microsecond // 1000:03d}+0000"


def handle_prepare(ctx):
    device = enrolled_device(ctx)
    session = current_session(ctx, device, "handshake")
    check_random_nonce(ctx)
    members = {
        "seed": new_seed(),
        "chainType": "WAKEUP_AUTH_OK",
        "argGuiData": json.dumps({"operationType": 1, "args": {}, "payments": []}),
        "sessionStarted": session_started(),
        "sessionTimeout": SESSION_TIMEOUT,
        "pinCodeLength": 4,
        "argGuiHeader": "Payment",
        "argGuiText": "Approve the payment",
        "argAmount": "10.00 EUR",
        "argCreditorAccount": "DE00 0000 0000 0000",
        "argCreditorBank": "Reference Bank",
    }
    if device["pin"] is not None:
        members["argCustomEncryptionPinKey"] = b64(spki(device["pin"].public_key()))
    members.update(device["transaction"])
    members.update(session.get("transaction", {}))
    block, kept = code_block(ctx, "prepare", members)
    session["prepare"] = kept
    session["prepareBody"] = json.loads(base64.b64decode(block["body"]))
    ctx.state.sessions[ctx.installation_id]["steps"].append(103)
    return answer_block(ctx, block)


def open_sealed_answer(device, raw):
    """The text and nonce of an answer sealed under the answer key or the PIN key, or None."""
    for form, key in (("sps", device["sps"]), ("pin", device["pin"])):
        if key is None or len(raw) != key.key_size // 8:
            continue
        try:
            text = key.decrypt(raw, padding.PKCS1v15()).decode("utf-8")
        except Exception:
            continue
        # A wrong key does not always fail (implicit rejection gives random bytes): the form decides.
        match = re.fullmatch(r"(.*):([A-Za-z0-9+/]{22}==)", text, re.DOTALL)
        if match:
            return form, match.group(1), match.group(2)
    return None


def open_user_answer(ctx, device, session, record):
    try:
        raw = b64decode_strict(record["value"])
    except Exception:
        raise Refused(9, "user answer: not Base64")
    opened = open_sealed_answer(device, raw)
    if opened is None:
        try:
            opened = ("plain", raw.decode("utf-8"), None)
        except UnicodeDecodeError:
            raise Refused(9, "user answer: neither opens nor is text")
    form, value, nonce = opened
    kind = record["type"]
    pin_key = session["prepareBody"].get("argCustomEncryptionPinKey")
    if kind == 405 and form != "plain":
        raise Refused(9, "user answer: a biometric approval is sent plain")
    if kind in (402, 413) and form == "sps":
        raise Refused(9, "user answer: a PIN is never sealed under the answer key")
    if kind in (402, 413) and form == "plain" and pin_key:
        raise Refused(9, "user answer: a PIN is sealed under the transaction's PIN key")
    return {"type": kind, "form": form, "value": value, "nonce": nonce}


def handle_commit(ctx):
    device = enrolled_device(ctx)
    session = current_session(ctx, device, "prepare")
    check_nonce(ctx, md5((session["prepare"]["seed"] or "").encode("utf-8")), "MD5(prepare seed)")
    records = ctx.body["artifacts"]
    check_records(records)
    expected = [
        {"type": 1102, "className": "CodeBlockArtifact", "codeBlockId": session["wakeUp"]["id"],
         "codeBlockHash": session["wakeUp"]["hash"]},
        {"type": 1102, "className": "CodeBlockArtifact", "codeBlockId": session["prepare"]["id"],
         "codeBlockHash": session["prepare"]["hash"]},
        {"type": 1104, "className": "CallArtifact", "codeBlockId": session["prepare"]["id"], "calls": []},
    ]
    if records[:3] != expected:
        raise Refused(8, "the commit does not begin with the code-block records of this session")
    answers = [r for r in records if r["className"] == "UserAnswer"]
    if len(answers) != 1 or records[-1] is not answers[0]:
        raise Refused(8, "the commit does not end with its one user answer")
    decision = open_user_answer(ctx, device, session, answers[0])
    decision["records"] = [{"type": r["type"], "className": r["className"],
                            "hashCode": record_hash_code(r)} for r in records]
    device["decisions"].append(decision)
    ctx.state.sessions[ctx.installation_id]["steps"].append(104)
    ctx.state.sessions[ctx.installation_id]["decision"] = decision
    return {}


def enroll(state, command):
    """Installs the server's side of an enrolled device; answers the public keys the client keeps."""
    try:
        pub_client = serialization.load_der_public_key(b64decode_strict(command["pubClient"]))
        installation_id = require_text("installationId", command["installationId"])
        enrollment_id = require_text("enrollmentId", command["enrollmentId"])
        if not isinstance(command.get("transaction") or {}, dict):
            raise ValueError("transaction is not an object")
        storage_moves = command.get("storageMoves", "wakeUp")
        if storage_moves not in ("wakeUp", "handshake"):
            raise ValueError("storageMoves is neither wakeUp nor handshake")
    except Exception as e:
        return {"ok": False, "error": f"bad enroll command: {e}"}
    device = new_device(enrollment_id, pub_client, new_rsa_key(), new_rsa_key(),
                        new_rsa_key() if command.get("pinKey") else None, command.get("transaction"))
    device["storageMoves"] = storage_moves
    with state.lock:
        state.enrolled[installation_id] = device
    return {"ok": True, "pubSps": b64(spki(device["sps"].public_key())),
            "pubStorage": b64(spki(device["storage"].public_key())),
            "pubPin": b64(spki(device["pin"].public_key())) if device["pin"] else None}


def new_device(enrollment_id, pub_client, sps, storage, pin=None, transaction=None, facts=None):
    """The server's side of an enrolled device, made alike by "enroll" and by a real enrollment:
    the client's public key, the answer key and current storage key (private halves kept here), an
    optional PIN key, members added to every prepare code block, and what the enrollment sent."""
    return {
        "enrollmentId": enrollment_id,
        "pubClient": pub_client,
        "sps": sps,
        "storage": storage,
        "storageMoves": "wakeUp",
        "pin": pin,
        "transaction": dict(transaction or {}),
        "decisions": [],
        "facts": dict(facts or {}),
    }


def enrolled_summary(state):
    return {iid: {"enrollmentId": d["enrollmentId"], "decisions": d["decisions"], "facts": d["facts"]}
            for iid, d in state.enrolled.items()}


# ----------------------------------------------------------------------------------------------
# Enrollment: prepare (101) and commit (102). The commit's nonce is recomputed here from the values
# the commit carries, the server's own key and the records of the prepare answer.

UUID_TEXT = re.compile(r"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")


def rsa_public_member(ctx, name):
    """The body member as an RSA-2048 public key (SubjectPublicKeyInfo DER), and its bytes."""
    der = body_bytes(ctx, name)
    try:
        key = serialization.load_der_public_key(der)
    except Exception:
        raise Refused(2, f"{name} is not a public key")
    if not isinstance(key, rsa.RSAPublicKey) or key.key_size != 2048:
        raise Refused(2, f"{name} is not an RSA-2048 key")
    return key, der


def text_member(ctx, name):
    value = ctx.body[name]
    if not isinstance(value, str) or not value:
        raise Refused(2, f"{name} is not a non-empty text")
    return value


def handle_prepare_enrollment(ctx):
    check_random_nonce(ctx)
    enrollment_id = ctx.header["enrollmentId"]
    if not isinstance(enrollment_id, str) or not UUID_TEXT.fullmatch(enrollment_id):
        raise Refused(2, "enrollmentId is not an upper-case UUID text")
    sps, storage = new_rsa_key(), new_rsa_key()
    block, kept = code_block(ctx, "enrollment", {
        "seed": new_seed(),
        "pubSPS": b64(spki(sps.public_key())),
        "pubStorageInitial": b64(spki(storage.public_key())),
        "screenshotEnabled": "false",
    })
    # A device already enrolled stays so until a commit succeeds.
    ctx.state.pending[ctx.installation_id] = {"enrollmentId": enrollment_id, "sps": sps, "storage": storage,
                                              "block": kept}
    return answer_block(ctx, block)


def handle_commit_enrollment(ctx):
    pending = ctx.state.pending.get(ctx.installation_id)
    if pending is None:
        raise Refused(6, f"no enrollment of device {ctx.installation_id} was prepared")
    if ctx.header["enrollmentId"] != pending["enrollmentId"]:
        raise Refused(6, "the header's enrollmentId is not the prepared enrollment's")
    push_token, external_id, device_id = (text_member(ctx, n) for n in ("appPNS", "externalId", "deviceId"))
    pub_client, client_der = rsa_public_member(ctx, "pubClient")
    _, utility_der = rsa_public_member(ctx, "pubVerification")
    records = ctx.body["artifacts"]
    check_records(records)
    block = pending["block"]
    expected = [
        {"type": 1102, "className": "CodeBlockArtifact", "codeBlockId": block["id"], "codeBlockHash": block["hash"]},
        {"type": 1104, "className": "CallArtifact", "codeBlockId": block["id"], "calls": []},
    ]
    if records != expected:
        raise Refused(8, "the commit does not carry exactly the records of the prepare answer")
    nonce_data = b"".join([
        ctx.server_public, utility_der, device_id.encode("utf-8"), push_token.encode("utf-8"),
        external_id.encode("utf-8"), client_der,
        *(record_hash_code(r).to_bytes(4, "big") for r in records),
    ])
    check_nonce(ctx, md5(nonce_data, (block["seed"] or "").encode("utf-8")),
                "MD5(pubVtn || pubVerification || deviceId || appPNS || externalId || pubClient || "
                "record hash codes || prepare seed)")
    token = secrets.token_urlsafe(24)
    ctx.answer_members["skVTN"] = token
    # A commit whose answer the script spoils fails at the client, which rolls back: the device
    # keeps the enrollment it had.
    if ctx.answers_cleanly():
        del ctx.state.pending[ctx.installation_id]
        ctx.state.enrolled[ctx.installation_id] = new_device(
            pending["enrollmentId"], pub_client, pending["sps"], pending["storage"],
            facts={"externalId": external_id, "deviceId": device_id, "appPNS": push_token, "skVTN": token,
                   "pubVerification": b64(utility_der)})
    return {}


# ----------------------------------------------------------------------------------------------
# Device information (109): one record of the form the client's report always has.

DEVICE_INFO_VALUE = re.compile(r"isBiometryEnabled=([01]);isApnsEnabled=([01]);")


def handle_device_info(ctx):
    check_random_nonce(ctx)
    if "enrollmentId" in ctx.header:
        enrolled_device(ctx)
    records = ctx.body["artifacts"]
    if not isinstance(records, list) or len(records) != 1:
        raise Refused(8, "the report does not carry exactly one record")
    record = records[0]
    if not isinstance(record, dict) or set(record) != {"type", "className", "value"}:
        raise Refused(8, f"malformed device-information record: {record}")
    if record["type"] != "RESULT_DEVICE_INFO" or record["className"] != "SimpleArtifact":
        raise Refused(8, f"not a device-information record: {record}")
    value = record["value"]
    match = DEVICE_INFO_VALUE.fullmatch(value) if isinstance(value, str) else None
    if not match:
        raise Refused(8, f"device-information value {value!r} is malformed")
    ctx.state.device_info.setdefault(ctx.installation_id, []).append({
        "biometry": match.group(1) == "1", "apns": match.group(2) == "1",
        "enrollmentId": ctx.header.get("enrollmentId")})
    return {}


# ----------------------------------------------------------------------------------------------
# Tenants: link (201), update (202) and unlink (203), PUT on the gateway.

def external_id_of(ctx):
    external_id = ctx.body["appExternalId"]
    if not isinstance(external_id, str) or not external_id:
        raise Refused(2, "appExternalId is not a non-empty text")
    device = ctx.state.enrolled.get(ctx.installation_id)
    known = device and device["facts"].get("externalId")
    if known and known != external_id:
        raise Refused(6, "appExternalId is not the one this device enrolled with")
    return external_id


def linked_tenant(ctx, external_id, tenant_id):
    tenant = ctx.state.tenants.get(external_id, {}).get(tenant_id)
    if tenant is None:
        raise Refused(10, f"tenant {tenant_id} is not linked to {external_id}")
    return tenant


def handle_link_tenant(ctx):
    check_random_nonce(ctx)
    external_id = external_id_of(ctx)
    code = ctx.body["linkingCode"]
    offer = ctx.state.tenant_offers.get(code) if isinstance(code, str) else None
    if offer is None:
        raise Refused(10, f"no tenant is offered for linking code {code!r}")
    ctx.state.tenants.setdefault(external_id, {})[offer["tenantId"]] = dict(
        offer, linkNonce=ctx.body["nonceQOR"], awaitingUpdate=True)
    return {"tenantId": offer["tenantId"]}


def handle_update_tenant(ctx):
    external_id = external_id_of(ctx)
    tenant_id = ctx.body["tenantId"]
    if isinstance(tenant_id, bool) or not isinstance(tenant_id, int):
        raise Refused(2, "tenantId is not a number")
    tenant = linked_tenant(ctx, external_id, tenant_id)
    if tenant["awaitingUpdate"]:
        # The second step of a link: the client keeps one nonce for the whole run.
        check_nonce(ctx, b64decode_strict(tenant["linkNonce"]), "the nonce of the link")
        tenant["awaitingUpdate"] = False
    else:
        check_random_nonce(ctx)
    answer = {"tenantName": tenant["tenantName"]}
    if tenant.get("theme") is not None:
        answer["theme"] = tenant["theme"]
    return answer


def handle_unlink_tenant(ctx):
    check_random_nonce(ctx)
    external_id = external_id_of(ctx)
    text = ctx.body["tenantId"]
    if not isinstance(text, str) or not re.fullmatch(r"-?[0-9]+", text):
        raise Refused(2, "tenantId is not the decimal text of a number")
    linked_tenant(ctx, external_id, int(text))
    del ctx.state.tenants[external_id][int(text)]
    return {}


def offer_tenant(state, command):
    code, tenant_id, name = command.get("linkingCode"), command.get("tenantId"), command.get("tenantName")
    if not isinstance(code, str) or isinstance(tenant_id, bool) or not isinstance(tenant_id, int) \
            or not isinstance(name, str):
        return {"ok": False, "error": "offerTenant needs linkingCode, tenantId and tenantName"}
    with state.lock:
        state.tenant_offers[code] = {"tenantId": tenant_id, "tenantName": name, "theme": command.get("theme")}
    return {"ok": True}


def tenants_summary(state):
    return {external_id: {str(tid): {"tenantName": t["tenantName"], "awaitingUpdate": t["awaitingUpdate"]}
                          for tid, t in tenants.items()}
            for external_id, tenants in state.tenants.items()}


# ----------------------------------------------------------------------------------------------
# Demo endpoints: what the bank's backend would do around the protocol (start a transaction and push
# its session identifier, hand the user a linking code), answered over HTTPS for the demo host app.

DEMO_CHAINS = {"confirm": "WAKEUP_AUTH_OK", "pin": "WAKEUP_AUTH_PIN", "biometric": "WAKEUP_AUTH_BIOMETRIC_OK"}
DEMO_PAYMENT = {"amount": 125.5, "fee": 0.35, "recipient": "ACME Energy Ltd", "currency": "EUR"}
DEMO_THEME = {"screenBackgroundColor": "#0B3D91", "titleTextColor": "#FFFFFF", "confirmButtonBackgroundColor": "#2E7D32",
              "confirmButtonTextColor": "#FFFFFF", "cancelButtonBackgroundColor": "#C62828",
              "cancelButtonTextColor": "#FFFFFF"}
demo_sessions = itertools.count(70001)
demo_tenants = itertools.count(501)


def demo_transaction(state, request):
    kind = request.get("kind")
    if kind not in DEMO_CHAINS:
        raise Refused(2, f"kind is not one of {sorted(DEMO_CHAINS)}")
    with state.lock:
        device = state.enrolled.get(request.get("installationId"))
        if device is None:
            raise Refused(6, "the device is not enrolled")
        if kind == "pin" and device["pin"] is None:
            device["pin"] = new_rsa_key()
        session_id = next(demo_sessions)
        gui_data = {"operationType": 1, "args": {"reference": f"INV-{session_id}"}, "payments": [DEMO_PAYMENT]}
        state.transactions[session_id] = {"installationId": request["installationId"], "members": {
            "chainType": DEMO_CHAINS[kind],
            "argGuiHeader": "Payment",
            "argGuiText": f"Pay 125.50 EUR to {DEMO_PAYMENT['recipient']}",
            "argGuiData": json.dumps(gui_data),
            "argAmount": "125.50 EUR",
        }}
    return {"sessionId": session_id}


def demo_tenant(state, request):
    name = request.get("tenantName", "Demo Bank")
    if not isinstance(name, str):
        raise Refused(2, "tenantName is not text")
    with state.lock:
        code, tenant_id = f"LINK-{secrets.token_hex(3).upper()}", next(demo_tenants)
        state.tenant_offers[code] = {"tenantId": tenant_id, "tenantName": name, "theme": DEMO_THEME}
    return {"linkingCode": code, "tenantId": tenant_id}


DEMO_ENDPOINTS = {"/demo/transaction": demo_transaction, "/demo/tenant": demo_tenant}


def seal_for_device(state, command):
    with state.lock:
        device = state.enrolled.get(command.get("installationId"))
        key = device and device["facts"].get("pubVerification")
    if not key:
        return {"ok": False, "error": "no enrollment of that device sent a utility key"}
    try:
        data = b64decode_strict(command.get("data"))
    except Exception:
        return {"ok": False, "error": "data is not Base64"}
    public = serialization.load_der_public_key(base64.b64decode(key))
    return {"ok": True, "sealed": b64(public.encrypt(data, padding.PKCS1v15()))}


PATH_ACTIONS = "/vtn-service/rest/actions"
PATH_GATEWAY = "/gateway/app"

ACTIONS = {
    900: ActionSpec("core test", HEADER_BASE, BODY_BASE, handle_core_test, [PATH_ACTIONS]),
    105: ActionSpec("wake-up", HEADER_ENROLLED, BODY_BASE | {"sessionId", "artifacts"}, handle_wake_up,
                    [PATH_ACTIONS]),
    106: ActionSpec("handshake step 1", HEADER_ENROLLED, BODY_BASE | {"pubQORDH"}, handle_handshake_1,
                    [PATH_ACTIONS]),
    107: ActionSpec("handshake step 2", HEADER_AGREED, BODY_BASE | {"pubQORDH", "pubVTNDH"},
                    handle_handshake_2, [PATH_ACTIONS], agreed_key),
    103: ActionSpec("prepare authorization", HEADER_AGREED, BODY_BASE, handle_prepare, [PATH_ACTIONS],
                    agreed_key),
    104: ActionSpec("commit authorization", HEADER_AGREED, BODY_BASE | {"artifacts"}, handle_commit,
                    [PATH_ACTIONS], agreed_key),
    101: ActionSpec("prepare enrollment", HEADER_ENROLLED, BODY_BASE, handle_prepare_enrollment, [PATH_ACTIONS]),
    102: ActionSpec("commit enrollment", HEADER_ENROLLED,
                    BODY_BASE | {"appPNS", "externalId", "pubClient", "deviceId", "pubVerification", "artifacts"},
                    handle_commit_enrollment, [PATH_ACTIONS]),
    109: ActionSpec("device information", [HEADER_BASE, HEADER_ENROLLED], BODY_BASE | {"artifacts"},
                    handle_device_info, [PATH_ACTIONS]),
    201: ActionSpec("link tenant", HEADER_BASE, BODY_BASE | {"appExternalId", "linkingCode"}, handle_link_tenant,
                    [PATH_GATEWAY], methods=("PUT",)),
    202: ActionSpec("update tenant", HEADER_BASE, BODY_BASE | {"appExternalId", "tenantId"}, handle_update_tenant,
                    [PATH_GATEWAY], methods=("PUT",)),
    203: ActionSpec("unlink tenant", HEADER_BASE, BODY_BASE | {"appExternalId", "tenantId"}, handle_unlink_tenant,
                    [PATH_GATEWAY], methods=("PUT",)),
}

# The envelope member that carries the sealed body, by path.
REQUEST_DATA_KEYS = {
    PATH_ACTIONS: "dataEncryptedRequest",
    PATH_GATEWAY: "encryptedData",
}


class Context:
    """What a handler sees of one opened request."""

    def __init__(self, server_state, installation_id, header, body, path):
        self.state = server_state
        self.installation_id = installation_id
        self.header = header
        self.body = body
        self.path = path
        self.entry = {}
        self.answer_key = None      # seals the answer body instead of the request's key
        self.answer_members = {}    # added to the outer answer
        self.server_public = None   # the server's RSA public key, SubjectPublicKeyInfo DER

    def answers_cleanly(self):
        """Whether the client gets the answer the handler made, unspoiled by the script."""
        spoilers = ("drop", "raw", "json", "seal", "answerSet", "answerRemove", "bodySet", "bodyRemove",
                    "codeBlock", "codeBlockSet", "codeBlockRemove", "codeBlockMembersRemove")
        return not any(k in self.entry for k in spoilers) and int(self.entry.get("httpStatus", 200)) == 200

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
        self.enrolled = {}
        self.pending = {}        # prepared enrollments, by installation identifier
        self.device_info = {}    # device-information reports, by installation identifier
        self.tenant_offers = {}  # linking code -> tenant
        self.tenants = {}        # external identifier -> tenant identifier -> linked tenant
        self.transactions = {}   # session identifier -> pending demo transaction
        self.connections = 0
        self.exchange_log = False

    def add_request(self, record):
        """Keeps a judged request (the caller holds the lock); with --exchanges, tells standard error."""
        self.requests.append(record)
        if self.exchange_log:
            header = record.get("header") if isinstance(record.get("header"), dict) else {}
            action = ACTIONS.get(header.get("type"))
            line = {"type": header.get("type"), "action": action.name if action else None,
                    "transport": record.get("transport", "https"), "accepted": record.get("accepted", False)}
            if not line["accepted"]:
                line["reason"] = record.get("reason")
            sys.stderr.write(json.dumps({"exchange": line}) + "\n")
            sys.stderr.flush()

    def clear(self):
        self.script.clear()
        self.requests.clear()
        self.devices.clear()
        self.sessions.clear()
        self.enrolled.clear()
        self.pending.clear()
        self.device_info.clear()
        self.tenant_offers.clear()
        self.tenants.clear()
        self.transactions.clear()

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


def open_envelope(state, server_key, path, raw, opened):
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
    if set(header) not in action.header_alternatives:
        require_members("the header", header, action.header_alternatives[0])
    opened.action = action
    opened.iv = decode_b64_member("nIV", header["nIV"], 16)
    opened.key = action.body_key(state, opened.installation_id, header)

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


# The members of an answer's sealed body and signature, by path.
ANSWER_KEYS = {
    PATH_ACTIONS: ("dataEncryptedResponse", "signatureVTN"),
    PATH_GATEWAY: ("encryptedData", "signGateway"),
}


def seal_answer(server_key, opened, extras, entry, ctx):
    body = {"nonceQOR": opened.body["nonceQOR"]}
    body.update(extras)
    body.update(entry.get("bodySet", {}))
    for name in entry.get("bodyRemove", []):
        body.pop(name, None)
    seal = entry.get("seal")
    plain = json.dumps([body] if seal == "notObject" else body).encode("utf-8")
    key = secrets.token_bytes(16) if seal == "wrongKey" else (ctx.answer_key or opened.key)
    iv = secrets.token_bytes(16) if seal == "wrongIv" else opened.iv
    sealed = bytearray(AESGCM(key).encrypt(iv, plain, None))
    if seal == "flip":
        sealed[0] ^= 0x01
    signature = server_key.sign(bytes(sealed), padding.PKCS1v15(), hashes.SHA256())
    body_key, signature_key = ANSWER_KEYS[ctx.path]
    answer = {
        body_key: b64(bytes(sealed)),
        signature_key: b64(signature),
        "status": {"code": 0, "message": "ok"},
    }
    answer.update(ctx.answer_members)
    answer.update(entry.get("answerSet", {}))
    for name in entry.get("answerRemove", []):
        answer.pop(name, None)
    return answer


def run_action(state, server_key, path, opened, record):
    """Runs the handler of an opened request under the state's lock, over either transport.
    Gives (script entry, context, answer extras, refusal or None, HTTP status of the refusal)."""
    entry = state.take_script_entry(opened.header["type"])
    record.update({"accepted": True, "installationId": opened.installation_id,
                   "header": opened.header, "body": opened.body, "script": entry})
    refused, status, extras = None, 200, None
    with state.lock:
        ctx = Context(state, opened.installation_id, opened.header, opened.body, path)
        ctx.entry = entry
        ctx.server_public = spki(server_key.public_key())
        device = ctx.device()
        device["requests"] += 1
        device["types"].append(opened.header["type"])
        try:
            extras = opened.action.handler(ctx)
            state.add_request(record)
        except Refused as e:
            refused, status = e, 400
        except Exception as e:
            # A fault of the server itself: answered, so that no client retries it unseen.
            refused, status = Refused(99, f"server fault: {e!r}"), 500
    return entry, ctx, extras, refused, status


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
        elif url.path in DEMO_ENDPOINTS and self.command == "POST":
            self.demo(DEMO_ENDPOINTS[url.path], raw)
        elif url.path in REQUEST_DATA_KEYS:
            self.action(url.path, raw)
        else:
            self.send_json(404, {"error": {"code": 404, "message": "no such path"}})

    def demo(self, endpoint, raw):
        try:
            request = load_json(raw, 1, "the request")
            if not isinstance(request, dict):
                raise Refused(1, "the request is not a JSON object")
            self.send_json(200, endpoint(self.server.state, request))
        except Refused as refused:
            self.send_json(400, {"error": {"code": refused.code, "message": refused.message}})

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
        if "location" in query:
            # A redirect to the given URL.
            data = json.dumps(description).encode("utf-8")
            self.send_response(status)
            self.send_header("Location", query["location"][0])
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            return
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
        def refuse(refused, status=400):
            record.update({"accepted": False, "reason": refused.message,
                           "installationId": opened.installation_id, "header": opened.header,
                           "body": opened.body})
            with state.lock:
                state.add_request(record)
            self.send_json(status, {"error": {"code": refused.code, "message": refused.message}})

        try:
            if self.command not in ("POST", "PUT"):
                raise Refused(1, f"method {self.command} is not allowed")
            open_envelope(state, self.server.server_key, path, raw, opened)
            if self.command not in opened.action.methods:
                raise Refused(1, f"action type {opened.header['type']} is not sent with {self.command}")
        except Refused as refused:
            refuse(refused)
            return

        entry, ctx, extras, refused, status = run_action(state, self.server.server_key, path, opened, record)
        if refused is not None:
            refuse(refused, status)
            return

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
            self.send_json(status, seal_answer(self.server.server_key, opened, extras, entry, ctx))


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
# WebSocket. Each text message is one request envelope; it is opened as a request of the action
# path whose data member it carries (a request over WebSocket names no path), and the answer or the
# refusal goes back as one text message: the refusal as {"error": {...}, "status": {"code", "message"}}.
# Script entries apply as over HTTPS ("httpStatus" aside), plus
#     "wsClose": [code, reason]   answer with this close frame instead
# and "drop" ends the TCP connection without a close frame. Records carry "transport": "websocket",
# the upgrade request's header fields and the connection's path.

import asyncio
import logging

import websockets


def open_websocket_envelope(state, server_key, raw):
    """The path that takes the request and the opened request; the first refusal (with the opened
    parts as "opened") when none does. Paths whose data member the envelope carries go first."""
    try:
        envelope = json.loads(raw.decode("utf-8"))
    except Exception:
        raise Refused(1, "the request is not JSON")
    carried = [path for path, key in REQUEST_DATA_KEYS.items() if isinstance(envelope, dict) and key in envelope]
    first = None
    for path in carried + [path for path in REQUEST_DATA_KEYS if path not in carried]:
        opened = Opened()
        try:
            open_envelope(state, server_key, path, raw, opened)
            return path, opened
        except Refused as refused:
            refused.opened = opened
            first = first or refused
    raise first


class WebSocketEndpoint:
    def __init__(self, state, server_key):
        self.state = state
        self.server_key = server_key

    async def serve(self, websocket, path=None):
        with self.state.lock:
            self.state.connections += 1
            number = self.state.connections
        base = {"method": "WEBSOCKET", "transport": "websocket", "wsPath": websocket.path,
                "headers": [[k, v] for k, v in websocket.request_headers.raw_items()], "connection": number}
        try:
            async for message in websocket:
                raw = message.encode("utf-8") if isinstance(message, str) else message
                if not await self.answer(websocket, raw, dict(base)):
                    return
        except websockets.ConnectionClosed:
            pass

    async def answer(self, websocket, raw, record):
        """Answers one message; False when the connection was ended instead."""
        state = self.state
        try:
            path, opened = open_websocket_envelope(state, self.server_key, raw)
        except Refused as refused:
            opened = getattr(refused, "opened", Opened())
            record.update({"path": None, "accepted": False, "reason": refused.message,
                           "installationId": opened.installation_id, "header": opened.header,
                           "body": opened.body})
            with state.lock:
                state.add_request(record)
            await websocket.send(json.dumps({"error": {"code": refused.code, "message": refused.message},
                                             "status": {"code": refused.code, "message": refused.message}}))
            return True

        record["path"] = path
        entry, ctx, extras, refused, _ = run_action(state, self.server_key, path, opened, record)
        if refused is not None:
            record.update({"accepted": False, "reason": refused.message})
            with state.lock:
                state.add_request(record)
            await websocket.send(json.dumps({"error": {"code": refused.code, "message": refused.message},
                                             "status": {"code": refused.code, "message": refused.message}}))
            return True

        if entry.get("delay"):
            await asyncio.sleep(float(entry["delay"]))
        if entry.get("drop"):
            websocket.transport.abort()
            return False
        if "wsClose" in entry:
            code, reason = entry["wsClose"]
            await websocket.close(code, reason)
            return False
        if "raw" in entry:
            await websocket.send(entry["raw"])
        elif "json" in entry:
            await websocket.send(json.dumps(entry["json"]))
        else:
            await websocket.send(json.dumps(seal_answer(self.server_key, opened, extras, entry, ctx)))
        return True


def start_websocket_endpoint(bind, context, state, server_key, verbose):
    """Serves WebSocket with TLS on a loop of its own thread; returns the port."""
    if not verbose:
        logging.getLogger("websockets").setLevel(logging.CRITICAL)
    endpoint = WebSocketEndpoint(state, server_key)
    loop = asyncio.new_event_loop()
    started = threading.Event()
    port = []

    def run():
        asyncio.set_event_loop(loop)
        server = loop.run_until_complete(websockets.serve(endpoint.serve, bind, 0, ssl=context))
        port.append(server.sockets[0].getsockname()[1])
        started.set()
        loop.run_forever()

    threading.Thread(target=run, daemon=True).start()
    started.wait()
    return port[0]


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
                        "enrolled": enrolled_summary(state), "deviceInfo": state.device_info,
                        "tenants": tenants_summary(state),
                        "connections": state.connections, "pendingScript": len(state.script)})
        elif cmd == "reset":
            with state.lock:
                state.clear()
            answer({"ok": True})
        elif cmd == "enroll":
            answer(enroll(state, command))
        elif cmd == "offerTenant":
            answer(offer_tenant(state, command))
        elif cmd == "sealForDevice":
            answer(seal_for_device(state, command))
        elif cmd == "hashCodes":
            answer({"ok": True, "hashCodes": [record_hash_code(r) if isinstance(r, dict) else None
                                              for r in command.get("records", [])]})
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
    parser.add_argument("--exchanges", action="store_true",
                        help="one JSON line on standard error for each judged action request")
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
    state.exchange_log = args.exchanges
    if args.script:
        with open(args.script) as f:
            state.script.extend(json.load(f))
    server = TLSServer((args.bind, args.port), context, state, server_key, args.verbose)
    port = server.server_address[1]
    ws_port = start_websocket_endpoint(args.bind, context, state, server_key, args.verbose)
    sys.stdout.write(json.dumps({
        "port": port,
        "ca": ca_path,
        "host": f"https://127.0.0.1:{port}",
        "pubVtnBase64": b64(public_der),
        "ws": f"wss://127.0.0.1:{ws_port}/ws",
    }) + "\n")
    sys.stdout.flush()

    control = threading.Thread(target=control_loop, args=(server, state), daemon=True)
    control.start()
    server.serve_forever()
    server.server_close()


if __name__ == "__main__":
    main()
