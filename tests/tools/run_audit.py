"""mkupdate audit over FTP: a signed set made by mkupdate, served with
pyftpdlib on 127.0.0.1 as three mirrors (whole; a file missing; a file of the
right size with other bytes), each audited against the set itself.

  run_audit.py MKUPDATE
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "scripts", "lib"))
import loopback_ftp  # noqa: E402


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True)
    return done.returncode, done.stdout.splitlines(), done.stderr


def main():
    loopback_ftp.require_pyftpdlib()
    mkupdate = sys.argv[1]
    failures = []

    def expect(what, got, wanted):
        if got != wanted:
            failures.append("%s: got %r, wanted %r" % (what, got, wanted))

    with tempfile.TemporaryDirectory() as root:
        game = os.path.join(root, "game")
        os.makedirs(os.path.join(game, "bin"))
        for name, data in (("readme.txt", b"read me\r\n" * 50), ("bin/engine.dat", os.urandom(70000))):
            with open(os.path.join(game, name), "wb") as f:
                f.write(data)
        key = os.path.join(root, "studio.key")
        reference = os.path.join(root, "whole")
        for command in ([mkupdate, "keygen", key],
                        [mkupdate, "--source", game, "--out", reference, "--version", "0001",
                         "--plain", "readme.txt", "--key", key]):
            status, _, err = run(*command)
            if status != 0:
                sys.exit("%s failed: %s" % (command, err))
        listing = open(os.path.join(reference, "update3.dat"), "rb").read().split(b"\r\n")
        gz_name = [l.split(b" ")[1].decode() for l in listing[1:] if l.startswith(b"E ")][0]
        plain_name = [l.split(b" ")[1].decode() for l in listing[1:] if l.startswith(b"O ")][0]

        mirrors = {"whole": reference}
        for name in ("missing", "tampered"):
            mirrors[name] = os.path.join(root, name)
            subprocess.check_call(["cp", "-r", reference, mirrors[name]])
        os.remove(os.path.join(mirrors["missing"], gz_name))
        tampered = os.path.join(mirrors["tampered"], plain_name)
        data = bytearray(open(tampered, "rb").read())
        data[0] ^= 0x20
        open(tampered, "wb").write(bytes(data))

        port, stop = loopback_ftp.start([(n, "pw", d) for n, d in mirrors.items()])
        try:
            def audit(user):
                return run(mkupdate, "audit", "--host", "127.0.0.1", "--port", str(port),
                           "--user", user, "--password", "pw", "--reference", reference,
                           "--public-key", key + ".pub")
            status, out, _ = audit("whole")
            expect("whole mirror", (status, out), (0, ["mirror OK: 2 files checked"]))
            status, out, _ = audit("missing")
            expect("missing file", (status, out),
                   (1, [gz_name + ": missing", "1 problem(s), 2 files checked"]))
            status, out, _ = audit("tampered")
            expect("tampered file", (status, out),
                   (1, [plain_name + ": sha256 differs from the list",
                        "1 problem(s), 2 files checked"]))
            status, out, err = audit("nobody")
            expect("refused login", (status, out), (2, []))
        finally:
            stop()
    for failure in failures:
        print(failure, file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
