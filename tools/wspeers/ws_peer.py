#!/usr/bin/python3
"""A WebSocket server on loopback built on python3-websockets, as an independent peer of the tests.

Prints {"port": N} on its first line, then one JSON line per event the tests watch:
    {"event": "closed", "path": ..., "code": ..., "reason": ...}   the client's close frame arrived
Exits when its standard input closes. TLS with --cert/--key; permessage-deflate with --deflate.

Paths:
    /echo        every message back as it came (text as text, binary as binary)
    /headers     the upgrade request's header fields as one JSON text ([[name, value], ...]), then echo
    /cookie      the same, with "Set-Cookie: peer=<connection number>; Path=/" in the answer
    /fragmented  "alpha-beta-gamma" in three fragments, then echo
    /ping        a ping "are you there"; once its pong is back, the text "pong:are you there"
    /close       a close frame 4001 "server says bye"
"""
import argparse
import asyncio
import json
import logging
import ssl
import sys
import threading

import websockets
from websockets.extensions.permessage_deflate import ServerPerMessageDeflateFactory

parser = argparse.ArgumentParser()
parser.add_argument("--cert")
parser.add_argument("--key")
parser.add_argument("--deflate", action="store_true")
args = parser.parse_args()
logging.getLogger("websockets").setLevel(logging.CRITICAL)

connections = 0


def emit(event):
    sys.stdout.write(json.dumps(event) + "\n")
    sys.stdout.flush()


def extra_headers(path, request_headers):
    if path == "/cookie":
        return [("Set-Cookie", f"peer={connections + 1}; Path=/")]
    return []


async def echo(ws):
    async for message in ws:
        await ws.send(message)


async def serve(ws, path=None):
    global connections
    connections += 1
    path = ws.path
    try:
        if path in ("/headers", "/cookie"):
            await ws.send(json.dumps([[k, v] for k, v in ws.request_headers.raw_items()]))
        elif path == "/fragmented":
            await ws.send(["alpha-", "beta-", "gamma"])
        elif path == "/ping":
            await (await ws.ping(b"are you there"))
            await ws.send("pong:are you there")
        elif path == "/close":
            await ws.close(4001, "server says bye")
            return
        await echo(ws)
    except websockets.ConnectionClosed:
        pass
    finally:
        if ws.close_code is not None:
            emit({"event": "closed", "path": path, "code": ws.close_code, "reason": ws.close_reason})


async def main():
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    extensions = [ServerPerMessageDeflateFactory(server_max_window_bits=15, client_max_window_bits=15)] \
        if args.deflate else []
    server = await websockets.serve(serve, "127.0.0.1", 0, ssl=context, extensions=extensions, compression=None,
                                    extra_headers=extra_headers, max_size=None)
    emit({"port": server.sockets[0].getsockname()[1]})
    loop = asyncio.get_running_loop()
    stop = loop.create_future()

    def wait_for_end_of_input():
        sys.stdin.read()
        loop.call_soon_threadsafe(stop.set_result, None)

    threading.Thread(target=wait_for_end_of_input, daemon=True).start()
    await stop
    server.close()


asyncio.run(main())
