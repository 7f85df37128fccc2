#!/usr/bin/python3
"""python3-websockets as a client of the WebSocket echo benchmark (tools/bench).

    bench_client.py URL SIZE COUNT WINDOW
Connects (no compression), sends COUNT text messages of SIZE bytes with at most WINDOW waiting for
their echo (WINDOW 1: one round trip at a time), and prints {"seconds": ..., "count": ...}, the time
from the first send to the last echo.
"""
import asyncio
import json
import sys
import time

import websockets


async def main(url, size, count, window):
    message = "x" * size
    async with websockets.connect(url, compression=None, max_size=None, max_queue=None) as ws:
        slots = asyncio.Semaphore(window)

        async def send():
            for _ in range(count):
                await slots.acquire()
                await ws.send(message)

        async def receive():
            for _ in range(count):
                echo = await ws.recv()
                assert len(echo) == size
                slots.release()

        start = time.perf_counter()
        await asyncio.gather(send(), receive())
        seconds = time.perf_counter() - start
    print(json.dumps({"seconds": seconds, "count": count}))


asyncio.run(main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])))
