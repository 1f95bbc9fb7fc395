"""Helpers of scripts/demo.sh.

  demo_helper.py game DIR              writes a demo game folder (the same bytes every time)
  demo_helper.py serve ROOT PORTFILE   serves ROOT over FTP on 127.0.0.1 (user demo,
                                       password demo; user player, password x) on a free
                                       port, written to PORTFILE; downloads are held to
                                       SEND_LIMIT bytes a second, so that a player can watch
                                       the window fill

Run with Debian's /usr/bin/python3, which sees python3-pyftpdlib.
"""

import logging
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "scripts", "lib"))
import loopback_ftp  # noqa: E402


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_game(root):
    rng = random.Random(1)  # a fixed seed: a second demo run makes the same set
    text = "".join("Line %d of the release notes.\r\n" % n for n in range(400)).encode("ascii")
    write(os.path.join(root, "readme.txt"), text)
    write(os.path.join(root, "bin", "engine.dat"), rng.randbytes(400000))
    write(os.path.join(root, "data", "maps", "level1.map"), rng.randbytes(50000) + bytes(50000))
    write(os.path.join(root, "docs", "manual", "guide.txt"), text[:3000])
    # Many small files below sounds/: they travel in one pack.
    for n in range(5):
        write(os.path.join(root, "sounds", "sfx", "effect%d.wav" % n), rng.randbytes(2000 + 700 * n))
    write(os.path.join(root, "sounds", "music.mid"), rng.randbytes(9000))


SEND_LIMIT = 50 * 1024


def serve(root, portfile):
    from pyftpdlib.handlers import ThrottledDTPHandler
    logging.basicConfig(level=logging.WARNING)
    # "player" logs in with the updater's own fixed password.
    server = loopback_ftp.create([("demo", "demo", root), ("player", "x", root)], quiet=False)

    class Throttled(ThrottledDTPHandler):
        write_limit = SEND_LIMIT

    server.handler.dtp_handler = Throttled
    # Written whole and then renamed: the shell never reads half a number.
    with open(portfile + ".tmp", "w") as f:
        f.write("%d\n" % server.address[1])
    os.rename(portfile + ".tmp", portfile)
    server.serve_forever(handle_exit=True)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "game":
        make_game(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "serve":
        serve(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
