"""Frames of the session's byte stream, shared by the agent, the broker and
the client. A frame is a channel number, a kind and a payload:

    u32 channel | u8 kind | u32 length | payload     (little-endian)

Channel 0 belongs to the session itself (READY, STOP); every command run in
the session gets a channel of its own.
"""

import json
import struct

HEADER = struct.Struct("<IBI")

READY = 1  # agent -> broker: the session is up (payload: what it runs on)
START = 2  # -> agent: run a command (payload: JSON argv, env, cwd)
OUT = 3  # agent ->: bytes the command wrote to its standard output
ERR = 4  # agent ->: bytes the command wrote to its standard error
EXIT = 5  # agent ->: the command ended (payload: JSON exit status)
KILL = 6  # -> agent: the command's caller is gone: end its process group
STOP = 7  # client -> broker: end the session


def pack(channel, kind, payload=b""):
    return HEADER.pack(channel, kind, len(payload)) + payload


def pack_json(channel, kind, value):
    return pack(channel, kind, json.dumps(value).encode())


def read_exactly(read, size):
    """Reads size bytes through read(n); None at a clean end of stream."""
    parts = []
    while size:
        chunk = read(size)
        if not chunk:
            if parts:
                raise EOFError("stream ended inside a frame")
            return None
        parts.append(chunk)
        size -= len(chunk)
    return b"".join(parts)


def read_frame(read):
    """Returns (channel, kind, payload), or None at the end of the stream."""
    header = read_exactly(read, HEADER.size)
    if header is None:
        return None
    channel, kind, length = HEADER.unpack(header)
    payload = read_exactly(read, length) if length else b""
    if payload is None:
        raise EOFError("stream ended inside a frame")
    return channel, kind, payload
