"""The session's agent: runs inside the 32-bit root file system (a chroot in
namespaces of its own, or a VM booted from it) as that world's first process,
and runs the commands the broker sends, streaming their output back.

    agent.py --stdio RUNNER          frames on standard input and output
    agent.py --port NAME RUNNER      frames on the virtio serial port NAME

Being process 1, it also reaps every orphan (wineserver, Xvfb), and when it
ends, everything started inside ends with it.
"""

import glob
import json
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import frames  # noqa: E402

# Variables that describe the caller's desktop session or host: inside, each
# command gets its own display and the root file system's own tools.
DROPPED = ("DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
           "XDG_RUNTIME_DIR", "TMPDIR", "LD_LIBRARY_PATH", "LD_PRELOAD", "PYTHONHOME",
           "PYTHONPATH", "WINESERVER", "WINELOADER")
PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
# How long a finished command's output may still trickle in from a child that
# kept its pipes; what was written before the exit is read at once.
DRAIN_SECONDS = 5


class Link:
    """The frame stream to the broker; writes from every thread are whole frames."""

    def __init__(self, read_fd, write_fd):
        self.read_fd = read_fd
        self.write_fd = write_fd
        self.lock = threading.Lock()

    def read(self, size):
        return os.read(self.read_fd, size)

    def send(self, data):
        with self.lock:
            view = memoryview(data)
            while view:
                view = view[os.write(self.write_fd, view):]


class Job:
    def __init__(self, channel, pid, readers):
        self.channel = channel
        self.pid = pid
        self.readers = readers


class Agent:
    def __init__(self, link, runner):
        self.link = link
        self.runner = runner
        self.jobs = {}  # pid -> Job
        self.by_channel = {}  # channel -> Job
        self.lock = threading.Condition()
        self.spawned = 0  # commands started so far: wakes the reaper

    def serve(self):
        threading.Thread(target=self.reap, daemon=True).start()
        self.link.send(frames.pack_json(0, frames.READY,
                                        {"runner": self.runner, "kernel": os.uname().release}))
        while True:
            frame = frames.read_frame(self.link.read)
            if frame is None:
                return
            channel, kind, payload = frame
            if kind == frames.START:
                self.start(channel, json.loads(payload))
            elif kind == frames.KILL:
                self.kill(channel)
            elif kind == frames.STOP:
                return

    def start(self, channel, request):
        env = {k: v for k, v in request["env"].items() if k not in DROPPED}
        env["PATH"] = PATH
        # Tells the commands they run in the session (chroot or vm), whose
        # mounts and processes end with it.
        env["SELVANE_WIN32_SESSION"] = self.runner
        if not os.path.isdir(env.get("HOME", "")):
            env["HOME"] = "/root"
        argv = request["argv"]
        out_r, out_w = os.pipe()
        err_r, err_w = os.pipe()
        with self.lock:
            pid = os.fork()
            if pid == 0:
                self.exec_child(argv, env, request.get("cwd") or "/", out_w, err_w)
            os.close(out_w)
            os.close(err_w)
            readers = [threading.Thread(target=self.forward, args=(channel, fd, kind), daemon=True)
                       for fd, kind in ((out_r, frames.OUT), (err_r, frames.ERR))]
            job = Job(channel, pid, readers)
            self.jobs[pid] = job
            self.by_channel[channel] = job
            self.spawned += 1
            self.lock.notify_all()
        for reader in readers:
            reader.start()

    @staticmethod
    def exec_child(argv, env, cwd, out_w, err_w):
        try:
            os.setsid()
            for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGPIPE, signal.SIGCHLD):
                signal.signal(sig, signal.SIG_DFL)
            null = os.open("/dev/null", os.O_RDONLY)
            os.dup2(null, 0)
            os.dup2(out_w, 1)
            os.dup2(err_w, 2)
            os.chdir(cwd)
            os.execvpe(argv[0], argv, env)
        except BaseException as e:  # noqa: B036 - the child must never return
            try:
                os.write(2, ("cannot run %s: %s\n" % (argv[0] if argv else "?", e)).encode())
            finally:
                os._exit(127)

    def forward(self, channel, fd, kind):
        try:
            while True:
                data = os.read(fd, 65536)
                if not data:
                    return
                self.link.send(frames.pack(channel, kind, data))
        finally:
            os.close(fd)

    def kill(self, channel):
        with self.lock:
            job = self.by_channel.get(channel)
        if job:
            try:
                os.killpg(job.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def reap(self):
        while True:
            with self.lock:
                seen = self.spawned
            try:
                pid, status = os.waitpid(-1, 0)
            except ChildProcessError:
                # No child at all: sleep until the next command starts.
                with self.lock:
                    while self.spawned == seen:
                        self.lock.wait()
                continue
            with self.lock:
                job = self.jobs.pop(pid, None)
            if job:
                threading.Thread(target=self.finish, args=(job, status), daemon=True).start()

    def finish(self, job, status):
        code = os.waitstatus_to_exitcode(status)
        if code < 0:
            code = 128 - code
        for reader in job.readers:
            reader.join(DRAIN_SECONDS)
        with self.lock:
            self.by_channel.pop(job.channel, None)
        self.link.send(frames.pack_json(job.channel, frames.EXIT, {"code": code}))


# A root file system from mmdebstrap has no hosts file; the tests look up
# "localhost" on the session's own loopback.
HOSTS = "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n"


def name_the_loopback():
    if not os.path.exists("/etc/hosts"):
        with open("/etc/hosts", "w") as f:
            f.write(HOSTS)


def open_port(name):
    for path in glob.glob("/sys/class/virtio-ports/*/name"):
        with open(path) as f:
            if f.read().strip() == name:
                fd = os.open("/dev/" + os.path.basename(os.path.dirname(path)), os.O_RDWR)
                return fd, fd
    raise SystemExit("no virtio serial port named " + name)


def main():
    if sys.argv[1] == "--stdio":
        read_fd, write_fd = os.dup(0), os.dup(1)
        null = os.open("/dev/null", os.O_RDWR)
        os.dup2(null, 0)
        os.dup2(null, 1)
        runner = sys.argv[2]
    else:
        read_fd, write_fd = open_port(sys.argv[2])
        runner = sys.argv[3]
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    name_the_loopback()
    Agent(Link(read_fd, write_fd), runner).serve()


if __name__ == "__main__":
    main()
