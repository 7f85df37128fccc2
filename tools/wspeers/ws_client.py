#!/usr/bin/python3
"""python3-websockets as an independent client of our WebSocket server (tests/server).

    ws_client.py URL
Against an echo server (text and binary back as they came, a pong for each ping, the client's close
frame answered with the same code): upgrades, sends a text, a 70000-byte binary message and a text
in three fragments (every client frame masked), pings, closes with 1000 "done", and prints one JSON
line of what it saw: {"text", "binaryEcho", "fragmented", "pong", "closeCode", "closeReason"}, or
{"error": ...} when something failed.
"""
import asyncio
import json
import os
import sys

import websockets


async def main(url):
    seen = {}
    try:
        async with websockets.connect(url, compression=None, max_size=None, open_timeout=10, close_timeout=10) as ws:
            await ws.send("hello")
            seen["text"] = await asyncio.wait_for(ws.recv(), 10)
            payload = os.urandom(70000)
            await ws.send(payload)
            seen["binaryEcho"] = (await asyncio.wait_for(ws.recv(), 10)) == payload
            await ws.send(["alpha-", "beta-", "gamma"])
            seen["fragmented"] = await asyncio.wait_for(ws.recv(), 10)
            await asyncio.wait_for(await ws.ping(b"are you there"), 10)
            seen["pong"] = True
            await ws.close(1000, "done")
            seen["closeCode"] = ws.close_code
            seen["closeReason"] = ws.close_reason
    except Exception as error:  # the test shows what went wrong
        seen["error"] = f"{type(error).__name__}: {error}"
    print(json.dumps(seen))


asyncio.run(main(sys.argv[1]))
