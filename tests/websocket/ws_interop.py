"""The other side of the interop tests, with python3-websockets' own frame and deflate code.

read:  stdin is JSON {"deflate": bool, "wire": hex} of frames a client wrote; prints the frames
       as this library reads them in the server's role (unmasked, inflated).
write: stdin is JSON {"deflate": bool, "messages": [...]}; prints the hex of the frames this
       library writes for them in the server's role (fragmented where a message says so).
"""
import json
import sys

from websockets.extensions.permessage_deflate import PerMessageDeflate
from websockets.frames import Frame, Opcode
from websockets.streams import StreamReader


def deflate():
    return [PerMessageDeflate(False, False, 15, 15)]


def read(job):
    reader = StreamReader()
    reader.feed_data(bytes.fromhex(job["wire"]))
    extensions = deflate() if job["deflate"] else None
    frames = []
    while reader.buffer:
        parser = Frame.parse(reader.read_exact, mask=True, max_size=None, extensions=extensions)
        try:
            next(parser)
        except StopIteration as done:
            frame = done.value
        else:
            raise SystemExit("truncated frame")
        frames.append({"opcode": int(frame.opcode), "fin": frame.fin, "data": frame.data.hex()})
    print(json.dumps(frames))


def write(job):
    extensions = deflate() if job["deflate"] else []
    out = b""
    for message in job["messages"]:
        data = bytes.fromhex(message["data"])
        opcode = Opcode(message["opcode"])
        parts = message.get("fragments", 1)
        step = max(1, -(-len(data) // parts))
        parts = [data[i:i + step] for i in range(0, len(data), step)] or [b""]
        for index, part in enumerate(parts):
            frame = Frame(opcode if index == 0 else Opcode.CONT, part, fin=index == len(parts) - 1)
            out += frame.serialize(mask=False, extensions=extensions)
    print(out.hex())


if __name__ == "__main__":
    job = json.loads(sys.stdin.read())
    {"read": read, "write": write}[sys.argv[1]](job)
