"""A read-only FTP server on a free 127.0.0.1 port, for tests, benchmarks
and the demo. Needs pyftpdlib (Debian's python3-pyftpdlib)."""

import logging
import sys
import threading


def require_pyftpdlib():
    """Ends a test runner with CTest's skip code 77 when pyftpdlib is missing."""
    try:
        import pyftpdlib  # noqa: F401
    except ImportError:
        print("python3-pyftpdlib is not installed: skipped", file=sys.stderr)
        sys.exit(77)


def create(users, quiet=True):
    """An FTP server, bound but not yet serving, that lets each
    (name, password, folder) of `users` list and read its folder.
    quiet=True keeps pyftpdlib's log to errors."""
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
    if quiet:
        log = logging.getLogger("pyftpdlib")
        log.addHandler(logging.NullHandler())
        log.setLevel(logging.ERROR)
    authorizer = DummyAuthorizer()
    for name, password, folder in users:
        authorizer.add_user(name, password, folder, perm="elr")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    return FTPServer(("127.0.0.1", 0), Handler)


def start(users):
    """Serves `users` (see create) from a background thread; returns
    (port, stop). stop() ends the server and closes its connections."""
    server = create(users)
    stopping = threading.Event()

    def serve():
        while not stopping.is_set():
            server.ioloop.loop(timeout=0.2, blocking=False)
        server.close_all()

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()

    def stop():
        stopping.set()
        thread.join()

    return server.address[1], stop
