"""Serves signed and tampered update sets and runs the trust end-to-end
program of the Windows build against them.

  run_trust_endtoend.py EMULATOR... PROGRAM.exe

The game folders and sets are those of tests/endtoend/run_endtoend.py, with a
SHA-256 on every entry line and update3.dat.sig signed by the test key (or
not), one FTP user per set, password pw:

  good       the v2 set, sequence 2
  replay     the v1 set as signed earlier, sequence 1
  nosig      the v2 set without a signature file
  otherkey   the v2 set signed by another key
  expired    the v2 set, its signature expired
  badlist    the v2 set, a version in its list changed after signing
  badfile    the v2 set, one gzip file replaced by other bytes of its size

The program gets the port, the key and the folders through the environment.
"""

import os
import shutil
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "endtoend"))
sys.path.insert(0, os.path.join(here, "..", "..", "scripts", "lib"))
import loopback_ftp  # noqa: E402
import run_endtoend  # noqa: E402
import signed_sets  # noqa: E402

KEY = signed_sets.TEST_KEY


def make_sets(root):
    games = {}
    plain = {}
    for version in (1, 2):
        files = run_endtoend.game_files(version)
        game = os.path.join(root, "game_v%d" % version)
        for rel, data in files.items():
            run_endtoend.write(os.path.join(game, rel), data)
        plain[version] = os.path.join(root, "plain_v%d" % version)
        run_endtoend.build_set(files, {"readme.txt": "0002"} if version == 2 else {},
                               plain[version])
        signed_sets.add_hashes(plain[version])
        games[version] = game

    def derive(name, version, sequence=None, key=KEY, expires=signed_sets.FAR_FUTURE):
        folder = os.path.join(root, "server_" + name)
        shutil.copytree(plain[version], folder)
        if sequence is not None:
            signed_sets.sign(folder, key, sequence, expires)
        return folder

    derive("good", 2, 2)
    derive("replay", 1, 1)
    derive("nosig", 2)
    derive("otherkey", 2, 2, key=signed_sets.new_private_key())
    derive("expired", 2, 2, expires=signed_sets.LONG_AGO)
    badlist = derive("badlist", 2, 2)
    listing = os.path.join(badlist, signed_sets.LIST)
    signed_sets.write(listing, signed_sets.read(listing).replace(b" 0002 ", b" 0003 "))
    badfile = derive("badfile", 2, 2)
    engine = os.path.join(badfile, "bin_engine.dat.gz")
    data = bytearray(signed_sets.read(engine))
    data[len(data) // 2] ^= 0xFF
    signed_sets.write(engine, bytes(data))
    return games


def main():
    loopback_ftp.require_pyftpdlib()
    with tempfile.TemporaryDirectory() as root:
        games = make_sets(root)
        users = [(name, "pw", os.path.join(root, "server_" + name))
                 for name in ("good", "replay", "nosig", "otherkey", "expired", "badlist",
                              "badfile")]
        port, _ = loopback_ftp.start(users)
        work = os.path.join(root, "work")
        os.makedirs(work)
        env = dict(os.environ)
        env.update(E2E_PORT=str(port),
                   E2E_LIST_KEY=signed_sets.TEST_PUBLIC_KEY,
                   E2E_GAME_V1=run_endtoend.windows_path(games[1]),
                   E2E_GAME_V2=run_endtoend.windows_path(games[2]),
                   E2E_WORK=run_endtoend.windows_path(work))
        status = subprocess.call(sys.argv[1:], env=env)
    sys.exit(status)


if __name__ == "__main__":
    main()
