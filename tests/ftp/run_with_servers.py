"""Runs a test program of the Windows build with its FTP servers on loopback.

  run_with_servers.py EMULATOR... PROGRAM.exe

Starts the scripted server (scripted_server.py) and, when python3-pyftpdlib is
installed, a real FTP server over a folder of generated files; hands their
ports to the program through the environment (FTP_SCRIPT_PORT, FTP_REAL_PORT,
FTP_REAL_USER, FTP_REAL_PASS, and FTP_PASSIVE_ONLY_PORT: the same server with PORT refused), runs it and returns its exit code (77: skipped).
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts", "lib"))
import loopback_ftp  # noqa: E402
import scripted_server  # noqa: E402

# Files of the real server: name -> size. The test program rebuilds the same
# bytes to compare: bin_* hold the scripted server's pattern, text_* lines of text.
REAL_FILES = {
    "bin_0.dat": 0, "bin_1.dat": 1, "bin_65535.dat": 65535, "bin_65536.dat": 65536,
    "bin_65537.dat": 65537, "bin_1000000.dat": 1000000,
    "text_0.txt": 0, "text_2000.txt": 2000, "text_300000.txt": 300000,
}


def text_bytes(size):
    out = bytearray()
    n = 0
    while len(out) < size:
        out += b"Line %d of the text file\r\n" % n
        n += 1
    return bytes(out[:size])


def start_real_server(root):
    try:
        import pyftpdlib.servers  # noqa: F401
    except ImportError:
        return None
    for name, size in REAL_FILES.items():
        data = scripted_server.pattern(size) if name.startswith("bin") else text_bytes(size)
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)
    port, _ = loopback_ftp.start([("tester", "secret", root)])
    return port


def start_passive_only_server(root):
    """The same files behind a server whose active mode is switched off: it
    refuses PORT, as servers that cannot reach their clients are set up."""
    import threading
    from pyftpdlib.ioloop import IOLoop
    from pyftpdlib.servers import FTPServer
    template = loopback_ftp.create([("tester", "secret", root)])
    template.close()

    class PassiveOnly(template.handler):
        def ftp_PORT(self, line):
            self.respond("500 Active mode is switched off.")

    # A loop of its own: the other server's thread runs the shared one.
    server = FTPServer(("127.0.0.1", 0), PassiveOnly, ioloop=IOLoop())

    def serve():
        while True:
            server.ioloop.loop(timeout=0.2, blocking=False)

    threading.Thread(target=serve, daemon=True).start()
    return server.address[1]


def main():
    env = dict(os.environ)
    env["FTP_SCRIPT_PORT"] = str(scripted_server.start())
    with tempfile.TemporaryDirectory() as root:
        port = start_real_server(root)
        if port:
            env.update(FTP_REAL_PORT=str(port), FTP_REAL_USER="tester", FTP_REAL_PASS="secret",
                       FTP_PASSIVE_ONLY_PORT=str(start_passive_only_server(root)))
        status = subprocess.call(sys.argv[1:], env=env)
    sys.exit(status)


if __name__ == "__main__":
    main()
