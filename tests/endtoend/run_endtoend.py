"""Serves update sets made from generated game folders and runs the
end-to-end test program of the Windows build against them.

  run_endtoend.py EMULATOR... PROGRAM.exe

Writes two game folders (v1, and v2 where one file changed), builds from
each an update set (update3.dat, gzip files, a gzip-compressed pack) with its
own code, independent of the C++ tools, and serves them with pyftpdlib on
127.0.0.1, one FTP user per set:

  v1/pw      the set of game v1
  v2/pw      the set of game v2 (readme.txt at version 0002)
  broken/pw  the v1 set with one announced file missing on the server
  badsize/pw the v1 set announcing one byte too many for empty.dat
  fixed/x    the v1 set, behind the updater's one-character password
  nolist/pw  a folder without update3.dat
  upper/pw   a folder that lists UPDATE3.DAT, so update3.dat cannot be fetched

The program gets the port and the folders (as Windows paths on drive Z:)
through the environment, with a port that refuses connections, and returns its exit code (77: skipped).
"""

import gzip
import os
import random
import shutil
import socket
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "scripts", "lib"))
import loopback_ftp  # noqa: E402

PACK_SLOTS = 101
PACK_SLOT_SIZE = 89
PACK_NAME_MAX = 80


def text_bytes(lines, seed):
    return b"".join(b"Line %d of file %d: the quick brown fox\r\n" % (n, seed) for n in range(lines))


def random_bytes(size, seed):
    rng = random.Random(seed)
    return rng.randbytes(size)


def game_files(version):
    """Relative path (forward slashes) -> bytes of the game folder."""
    files = {
        "readme.txt": text_bytes(200, 1),
        "empty.dat": b"",
        "bin/engine.dat": random_bytes(300001, 2),
        "data/maps/level1.map": random_bytes(70000, 3) + bytes(20000),
        "docs/manual/guide.txt": text_bytes(50, 4),
        # Below sounds/: the items of the pack sound.pak.
        "sounds/a.wav": random_bytes(1234, 5),
        "sounds/b.wav": b"",
        "sounds/sfx/c.wav": random_bytes(65536, 6),
    }
    if version == 2:
        files["readme.txt"] = text_bytes(210, 7)
    return files


def target(rel):
    return rel.replace("/", "\\")


def pack(items):
    """A pack file: contents in reverse item order, then the directory."""
    data = bytearray()
    offsets = {}
    for name, contents in reversed(items):
        offsets[name] = (len(data), len(data) + len(contents))
        data += contents
    directory = bytearray(PACK_SLOTS * PACK_SLOT_SIZE)
    struct.pack_into("<i", directory, 0, len(items))
    for i, (name, _) in enumerate(items, start=1):
        encoded = name.encode("ascii")
        assert len(encoded) <= PACK_NAME_MAX
        start, end = offsets[name]
        struct.pack_into("<iiB", directory, i * PACK_SLOT_SIZE, start, end, len(encoded))
        directory[i * PACK_SLOT_SIZE + 9:i * PACK_SLOT_SIZE + 9 + len(encoded)] = encoded
    return bytes(data + directory)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def build_set(files, versions, out):
    """update3.dat and its remote files in out; returns the remote names."""
    lines = ["update list"]
    remote = []

    def serve(name, data):
        write(os.path.join(out, name), data)
        remote.append(name)

    for rel, data in files.items():
        if rel.startswith("sounds/"):
            continue
        flat = rel.replace("/", "_")
        if rel == "docs/manual/guide.txt":
            # Sent as it is: type O, straight into a folder two levels deep.
            serve(flat, data)
            lines.append("O %s %s %s %d" % (flat, target(rel), versions.get(rel, "0001"), len(data)))
        else:
            gz = gzip.compress(data, mtime=0)
            serve(flat + ".gz", gz)
            lines.append("E %s.gz %s %s %d" % (flat, target(rel), versions.get(rel, "0001"), len(gz)))
    items = [(target(rel), data) for rel, data in files.items() if rel.startswith("sounds/")]
    packed = gzip.compress(pack(items), mtime=0)
    serve("sound.pak.gz", packed)
    lines.append("C sound.pak.gz sound.pak 0001 %d" % len(packed))
    write(os.path.join(out, "update3.dat"), "".join(l + "\r\n" for l in lines).encode("ascii"))
    return remote


def make_world(root):
    folders = {}
    for version in (1, 2):
        files = game_files(version)
        game = os.path.join(root, "game_v%d" % version)
        for rel, data in files.items():
            write(os.path.join(game, rel), data)
        build_set(files, {"readme.txt": "0002"} if version == 2 else {},
                  os.path.join(root, "server_v%d" % version))
        folders["v%d" % version] = game
    # The v1 set without one file that the middle of its list announces.
    broken = os.path.join(root, "server_broken")
    shutil.copytree(os.path.join(root, "server_v1"), broken)
    os.remove(os.path.join(broken, "data_maps_level1.map.gz"))
    badsize = os.path.join(root, "server_badsize")
    shutil.copytree(os.path.join(root, "server_v1"), badsize)
    listing = os.path.join(badsize, "update3.dat")
    with open(listing, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    for n, line in enumerate(lines):
        fields = line.split(" ")
        if len(fields) == 5 and fields[2] == "empty.dat":
            lines[n] = " ".join(fields[:4] + [str(int(fields[4]) + 1)])
    with open(listing, "wb") as f:
        f.write("\r\n".join(lines).encode("ascii"))
    nolist = os.path.join(root, "server_nolist")
    write(os.path.join(nolist, "other.dat"), b"not a list")
    write(os.path.join(root, "server_upper", "UPDATE3.DAT"), b"header\r\n")
    return folders


# The file a dying mirror cuts, and where: a gzip file of random bytes, so
# the cut lies well inside it.
CUT_FILE = "bin_engine.dat.gz"
CUT_SHARE = 0.4


class CutProducer:
    """Sends a file's first CUT_SHARE, then closes the data and the control
    connection, as a mirror that dies mid-transfer."""

    def __init__(self, producer, limit, handler):
        self.producer, self.limit, self.handler, self.sent = producer, limit, handler, 0

    def more(self):
        if self.sent >= self.limit:
            self.handler.close()
            return b""
        data = self.producer.more()[:self.limit - self.sent]
        self.sent += len(data)
        return data


def start_server(root, log_path):
    """The update sets behind one pyftpdlib server. Besides the users of the
    module's docstring: cut/pw (the v1 set; CUT_FILE dies at 40 %),
    pasv/pw (the v1 set; PORT refused, as a server whose active mode is off),
    nodata/pw (the v1 set; PORT and PASV refused),
    other/pw (the v2 set, whose update3.dat differs from v1's). PORT, PASV and
    REST are written to log_path as "user VERB arg" lines."""
    import threading
    users = [(user, "pw", os.path.join(root, "server_" + user))
             for user in ("v1", "v2", "broken", "badsize", "nolist", "upper")]
    users.append(("fixed", "x", os.path.join(root, "server_v1")))
    users += [("cut", "pw", os.path.join(root, "server_v1")),
              ("pasv", "pw", os.path.join(root, "server_v1")),
              ("nodata", "pw", os.path.join(root, "server_v1")),
              ("other", "pw", os.path.join(root, "server_v2"))]
    server = loopback_ftp.create(users)

    class Handler(server.handler):
        use_sendfile = False  # every byte goes through the producers

        def note(self, line):
            with open(log_path, "a") as log:
                log.write("%s %s\n" % (self.username, line))

        def pre_process_command(self, line, cmd, arg):
            if cmd in ("PORT", "PASV", "REST"):
                self.note(line)
            return super().pre_process_command(line, cmd, arg)

        def ftp_PORT(self, line):
            if self.username in ("pasv", "nodata"):
                self.respond("500 Active mode is switched off.")
                return
            return super().ftp_PORT(line)

        def ftp_PASV(self, line):
            if self.username == "nodata":
                self.respond("502 Passive mode is switched off.")
                return
            return super().ftp_PASV(line)

        def push_dtp_data(self, data, isproducer=False, file=None, cmd=None):
            if (self.username == "cut" and isproducer and file is not None
                    and os.path.basename(file.name) == CUT_FILE):
                limit = int(os.fstat(file.fileno()).st_size * CUT_SHARE)
                data = CutProducer(data, limit, self)
            return super().push_dtp_data(data, isproducer, file, cmd)

    server.handler = Handler

    def serve():
        while True:
            server.ioloop.loop(timeout=0.2, blocking=False)

    threading.Thread(target=serve, daemon=True).start()
    return server.address[1]


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    loopback_ftp.require_pyftpdlib()
    with tempfile.TemporaryDirectory() as root:
        folders = make_world(root)
        work = os.path.join(root, "work")
        os.makedirs(work)
        # A port bound but never listened on: connecting to it is refused at
        # once, and nobody else can take it while the program runs.
        dead = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        dead.bind(("127.0.0.1", 0))
        env = dict(os.environ)
        log_path = os.path.join(root, "commands.log")
        open(log_path, "w").close()
        env.update(E2E_PORT=str(start_server(root, log_path)),
                   E2E_COMMAND_LOG=windows_path(log_path),
                   E2E_DEAD_PORT=str(dead.getsockname()[1]),
                   E2E_GAME_V1=windows_path(folders["v1"]),
                   E2E_GAME_V2=windows_path(folders["v2"]),
                   E2E_WORK=windows_path(work))
        status = subprocess.call(sys.argv[1:], env=env)
    sys.exit(status)


if __name__ == "__main__":
    main()
