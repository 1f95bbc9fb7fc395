"""Serves small update sets on loopback and runs the updater's run tests
(the Windows build, under wine) against them.

  run_updater_tests.py EMULATOR... PROGRAM.exe

FTP users on one pyftpdlib server, all with the updater's fixed password "x":

  fresh     an update set of three files (two gzip, one sent as it is)
  current   an update set that lists nothing to install

A port that refuses connections stands for a dead server, and a user the
server does not know for a server that rejects the login. The program gets
the ports through the environment (UPD_PORT, UPD_DEAD_PORT) and its exit code
is the test's (77: skipped).
"""

import gzip
import os
import socket
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "scripts", "lib"))
import loopback_ftp  # noqa: E402

PASSWORD = "x"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def fresh_set(folder):
    files = {
        "readme.txt": b"Read me first.\r\n" * 40,
        "data\\level1.map": bytes(range(256)) * 300,
    }
    lines = ["update list"]
    for target, data in files.items():
        remote = target.replace("\\", "_") + ".gz"
        packed = gzip.compress(data, mtime=0)
        write(os.path.join(folder, remote), packed)
        lines.append("E %s %s 0001 %d" % (remote, target, len(packed)))
    plain = b"patch notes\r\n" * 10
    write(os.path.join(folder, "notes.txt"), plain)
    lines.append("O notes.txt notes.txt 0001 %d" % len(plain))
    write(os.path.join(folder, "update3.dat"),
          "".join(line + "\r\n" for line in lines).encode("ascii"))


def main():
    loopback_ftp.require_pyftpdlib()
    with tempfile.TemporaryDirectory() as root:
        fresh = os.path.join(root, "fresh")
        fresh_set(fresh)
        current = os.path.join(root, "current")
        write(os.path.join(current, "update3.dat"), b"update list\r\n")
        port, stop = loopback_ftp.start([("fresh", PASSWORD, fresh),
                                         ("current", PASSWORD, current)])
        # Bound but never listening: connecting is refused at once, and nobody
        # else can take the port while the tests run.
        dead = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        dead.bind(("127.0.0.1", 0))
        env = dict(os.environ)
        env.update(UPD_PORT=str(port), UPD_DEAD_PORT=str(dead.getsockname()[1]))
        try:
            status = subprocess.call(sys.argv[1:], env=env)
        finally:
            stop()
            dead.close()
    sys.exit(status)


if __name__ == "__main__":
    main()
