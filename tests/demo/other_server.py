#!/usr/bin/python3
"""The demo against a server it did not start (--server, --server-key, --ca), as against any server
that speaks the protocol: it must not ask the server for transactions or tenants, but take the session
identifiers and the linking code that the bank's backend hands out. This script plays that backend
with the reference server: it starts the server, offers a tenant, makes a transaction for the
installation that the demo enrolls, and types what the person at the terminal would.

    other_server.py DEMO REFSERVER
"""

import json
import os
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

TIMEOUT = 120


class Demo:
    """The demo as a child, its output collected on a thread of its own so that prompts (which end
    without a line break) can be waited for."""

    def __init__(self, args):
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
        self.output = b""
        self.seen = 0
        self.closed = False
        self.changed = threading.Condition()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while True:
            chunk = os.read(self.process.stdout.fileno(), 4096)
            with self.changed:
                if not chunk:
                    self.closed = True
                    self.changed.notify_all()
                    return
                self.output += chunk
                self.changed.notify_all()

    def text(self):
        with self.changed:
            return self.output.decode(errors="replace")

    def wait_for(self, needle):
        """What follows the next occurrence of `needle` after the last one waited for."""
        deadline = time.monotonic() + TIMEOUT
        with self.changed:
            while True:
                at = self.output.find(needle.encode(), self.seen)
                if at >= 0:
                    self.seen = at + len(needle)
                    return
                if self.closed or time.monotonic() > deadline:
                    raise AssertionError(f"the demo never printed {needle!r}:\n{self.output.decode(errors='replace')}")
                self.changed.wait(1)

    def type(self, line):
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()

    def end_input(self):
        self.process.stdin.close()

    def finish(self):
        self.process.wait(TIMEOUT)
        self.reader.join(TIMEOUT)
        return self.process.returncode


def main():
    demo_path, refserver = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="qor-other-server-")
    server = subprocess.Popen(["/usr/bin/python3", refserver, "--dir", folder], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True)
    info = json.loads(server.stdout.readline())

    def control(command):
        server.stdin.write(json.dumps(command) + "\n")
        server.stdin.flush()
        return json.loads(server.stdout.readline())

    context = ssl.create_default_context(cafile=info["ca"])

    def backend(path, body):
        request = urllib.request.Request(info["host"] + path, data=json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json"}, method="POST")
        with urllib.request.urlopen(request, context=context, timeout=30) as answer:
            return json.loads(answer.read())

    base = [demo_path, "--server", info["host"], "--server-key", info["pubVtnBase64"], "--ca", info["ca"]]
    failures = []

    def finish(demo, status, expected, absent=()):
        rc = demo.finish()
        out = demo.text()
        for text in expected:
            assert text in out, f"no {text!r} in:\n{out}"
        for text in absent:
            assert text not in out, f"{text!r} in:\n{out}"
        assert rc == status, f"exit status {rc}, not {status}:\n{out}"

    def case(name, run):
        try:
            run()
            print(f"ok    {name}")
        except AssertionError as error:
            failures.append(name)
            print(f"FAIL  {name}: {error}")

    def pushed_session_and_linking_code():
        assert control({"cmd": "offerTenant", "linkingCode": "BANK-1", "tenantId": 77, "tenantName": "Other Bank"})["ok"]
        demo = Demo(base + ["--interactive"])
        demo.wait_for("installation identifier: ")
        demo.wait_for("\n")
        installation = demo.text()[:demo.seen].rsplit("installation identifier: ", 1)[1].strip()
        demo.wait_for("session identifier from your push")
        session = backend("/demo/transaction", {"installationId": installation, "kind": "pin"})["sessionId"]
        demo.type("not a number")
        demo.wait_for("please answer a session identifier (digits) or an empty line")
        demo.type(str(session))
        demo.wait_for("Type the PIN on the pad above")
        demo.type("2580")
        demo.wait_for("session identifier from your push")
        demo.type("")
        demo.wait_for("linking code from your bank")
        demo.type("BANK-1")
        finish(demo, 0, (f"== Authorization: session {session}", "summary: approved by PIN", 'tenant 77 "Other Bank"',
                         "every step ended as expected"))

    def scripted_without_sessions():
        assert control({"cmd": "offerTenant", "linkingCode": "BANK-2", "tenantId": 78, "tenantName": "Other Bank"})["ok"]
        demo = Demo(base + ["--scripted", "--linking-code", "BANK-2"])
        demo.end_input()
        finish(demo, 0, ("skipped: no session identifier: another server pushes them; pass each with --session ID",
                         'tenant 78 "Other Bank"', "every step ended as expected"))

    def scripted_session():
        # A session the reference server did not make gets its default transaction, a confirm.
        demo = Demo(base + ["--scripted", "--session", "123456789"])
        demo.end_input()
        finish(demo, 0, ("== Authorization: session 123456789", "ok: status 1 (SUCCESS), approved by confirm",
                         "skipped: no linking code", "every step ended as expected"))

    def input_ends_at_session_prompt():
        demo = Demo(base + ["--interactive"])
        demo.wait_for("session identifier from your push")
        demo.end_input()
        finish(demo, 0, ("input ended: the demo stopped there", "every step ended as expected"), absent=("Linking a tenant",))

    def input_ends_at_linking_code_prompt():
        demo = Demo(base + ["--interactive"])
        demo.wait_for("session identifier from your push")
        demo.type("")
        demo.wait_for("linking code from your bank")
        demo.end_input()
        finish(demo, 0, ("skipped: no session identifier", "input ended: the demo stopped there",
                         "every step ended as expected"), absent=("Device-information report",))

    case("a pushed session and a linking code typed at the prompts", pushed_session_and_linking_code)
    case("scripted, no --session: the authorization is skipped, the tenant linked", scripted_without_sessions)
    case("scripted, a session from --session", scripted_session)
    case("input ends at the session prompt", input_ends_at_session_prompt)
    case("input ends at the linking-code prompt", input_ends_at_linking_code_prompt)

    server.stdin.close()
    server.wait(30)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
