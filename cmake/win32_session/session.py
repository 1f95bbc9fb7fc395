"""One session of the 32-bit root file system for a test run, and the
commands run in it. The tests of the win32 build run through this:

    session.py start STATE -- COMMAND...   start the session (chroot or VM),
                                           then run COMMAND in it
    session.py run STATE -- COMMAND...     run COMMAND in the session; its
                                           output and exit code are the
                                           command's own
    session.py stop STATE [-- COMMAND...]  run COMMAND, then end the session

STATE is a folder for the session's sockets and logs. The session lives in
a broker process that ends it when `stop` asks, or when the process that ran
`start` (CTest) is gone, so that nothing outlives the test run. `run` without
a session starts one for that command alone. Options of `start` and `run`
    --shares A:B...    folders seen inside at their own paths (start, run)

SELVANE_WIN32_RUNNER=chroot|vm forces the way in; by default the chroot where
this kernel runs 32-bit programs, else the VM.
"""

import ctypes
import json
import os
import select
import signal
import socket
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import frames  # noqa: E402

ROOT_TOOL = os.path.join(HERE, "..", "..", "scripts", "lib", "win32_root.sh")
AGENT = os.path.join(HERE, "agent.py")
READY_SECONDS = {"chroot": 120, "vm": 900}
STOP_SECONDS = 30
VM_MEMORY_MB = os.environ.get("SELVANE_VM_MEMORY_MB", "3072")


class SessionError(Exception):
    pass


def log(message):
    print("[win32 session] " + message, file=sys.stderr, flush=True)


def die_with_parent():
    """preexec_fn: the child is killed when the broker ends, however it ends."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def root_tool(what):
    result = subprocess.run(["bash", ROOT_TOOL, what], capture_output=True, text=True)
    if result.returncode != 0:
        raise SessionError(result.stderr.strip() or "win32_root.sh %s failed" % what)
    return result.stdout.strip()


def nested_out(shared):
    paths = []
    for path in shared.split(":"):
        if path:
            paths.append(os.path.realpath(path))
    paths.sort()
    kept = []
    for path in paths:
        if not any(path == k or path.startswith(k + "/") for k in kept):
            kept.append(path)
    return kept


# --- the two ways into the root file system -------------------------------

class ChrootBackend:
    """The root file system as an overlay (the cache is never written) in
    private mount, network and PID namespaces: its own loopback, and its
    first process (the agent) takes every other one with it when it ends."""

    name = "chroot"

    def __init__(self, state, rootfs, shared):
        top = os.path.join(state, "mnt")
        os.makedirs(top, exist_ok=True)
        binds = "".join('mkdir -p "$r%s" && mount --bind "%s" "$r%s"\n' % (p, p, p) for p in shared)
        script = f"""set -e
mount --make-rprivate /
mount -t tmpfs -o mode=755 selvane-win32 "{top}"
mkdir "{top}/upper" "{top}/work" "{top}/root"
mount -t overlay overlay -o lowerdir="{rootfs}",upperdir="{top}/upper",workdir="{top}/work" "{top}/root"
r="{top}/root"
mount -t proc proc "$r/proc"
mount -t sysfs sysfs "$r/sys"
mount --rbind /dev "$r/dev"
mount -t tmpfs tmpfs "$r/dev/shm"
mount -t tmpfs tmpfs "$r/tmp"
mount -t tmpfs tmpfs "$r/run"
{binds}exec chroot "$r" /bin/sh -c 'ip link set lo up && exec python3 "$0" --stdio chroot' "{AGENT}"
"""
        self.process = subprocess.Popen(
            ["unshare", "--mount", "--net", "--pid", "--fork", "--kill-child", "sh", "-c", script],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, preexec_fn=die_with_parent)
        self.read_fd = self.process.stdout.fileno()
        self.write_fd = self.process.stdin.fileno()

    def read(self, size):
        return os.read(self.read_fd, size)

    def send(self, data):
        view = memoryview(data)
        while view:
            view = view[os.write(self.write_fd, view):]

    def describe_failure(self):
        return "the chroot session did not start (exit %s)" % self.process.poll()

    def end(self, agent_told):
        if agent_told:
            try:
                self.process.wait(STOP_SECONDS)
                return
            except subprocess.TimeoutExpired:
                pass
        self.process.kill()
        self.process.wait()


class VmBackend:
    """A VM booted from the root file system's image (opened snapshot=on, so
    it is never modified) with Debian's kernel, software-emulated, no network
    card, the shared folders over 9p and the agent on a virtio serial port."""

    name = "vm"

    def __init__(self, state, rootfs, shared):
        image = root_tool("image")
        if not os.path.isfile(image):
            raise SessionError("no VM image at %s: run scripts/bootstrap.sh" % image)
        for path in shared:
            if any(c in path for c in " ,=\"'"):
                raise SessionError("cannot share %r with the VM: unusual characters" % path)
        self.console = os.path.join(state, "vm-console.log")
        sock_path = os.path.join(state, "agent.sock")
        if os.path.exists(sock_path):
            os.unlink(sock_path)
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(sock_path)
        listener.listen(1)
        tags = ["share%d=%s" % (i, p) for i, p in enumerate(shared)]
        cmdline = ("root=/dev/vda rw console=ttyS0 quiet panic=-1 init=/usr/local/sbin/selvane-init "
                   "selvane.shares=%s selvane.agent=%s" % (",".join(tags), AGENT))
        argv = ["qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none",
                "-machine", "pc,accel=tcg", "-no-reboot", "-cpu", "max,-smap", "-smp", str(os.cpu_count() or 2),
                "-m", VM_MEMORY_MB, "-nic", "none",
                "-kernel", os.path.join(rootfs, "vmlinuz"),
                "-initrd", os.path.join(rootfs, "initrd.img"),
                "-append", cmdline,
                "-drive", "file=%s,format=raw,if=virtio,snapshot=on" % image,
                "-device", "virtio-serial-pci",
                "-chardev", "socket,id=agent,path=%s" % sock_path,
                "-device", "virtserialport,chardev=agent,name=selvane.agent",
                "-serial", "file:%s" % self.console]
        for i, path in enumerate(shared):
            argv += ["-virtfs", "local,path=%s,mount_tag=share%d,security_model=passthrough,id=fs%d"
                     % (path, i, i)]
        self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL,
                                        stdout=open(os.path.join(state, "qemu.log"), "wb"),
                                        stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        # qemu connects at once, or has failed to start.
        pidfd = os.pidfd_open(self.process.pid)
        ready, _, _ = select.select([listener, pidfd], [], [], 60)
        os.close(pidfd)
        if listener not in ready:
            self.process.kill()
            self.process.wait()
            raise SessionError("qemu did not start: " + self.tail(os.path.join(state, "qemu.log")))
        self.conn, _ = listener.accept()
        listener.close()
        os.unlink(sock_path)

    @staticmethod
    def tail(path):
        try:
            with open(path, "rb") as f:
                return f.read()[-2000:].decode(errors="replace")
        except OSError:
            return ""

    def read(self, size):
        return self.conn.recv(size)

    def send(self, data):
        self.conn.sendall(data)

    def describe_failure(self):
        return "the VM did not start; its console said:\n" + self.tail(self.console)

    def end(self, agent_told):
        self.process.kill()
        self.process.wait()
        self.conn.close()


# --- the broker -----------------------------------------------------------

class Broker:
    def __init__(self, state, backend):
        self.state = state
        self.backend = backend
        self.send_lock = threading.Lock()
        self.lock = threading.Lock()
        self.clients = {}  # channel -> socket
        self.next_channel = 1
        self.stop_r, self.stop_w = os.pipe()
        self.stoppers = []

    def send(self, data):
        with self.send_lock:
            self.backend.send(data)

    def wait_ready(self, watched_pid):
        """Waits for the agent's first word, giving up when the backend ends,
        the watched process (the test run) ends, or the start takes too long."""
        result = {}
        done_r, done_w = os.pipe()

        def first_frame():
            try:
                result["frame"] = frames.read_frame(self.backend.read)
            except (OSError, EOFError) as e:
                result["error"] = str(e)
            os.write(done_w, b"x")

        threading.Thread(target=first_frame, daemon=True).start()
        waits = [done_r, os.pidfd_open(self.backend.process.pid)]
        if watched_pid:
            waits.append(os.pidfd_open(watched_pid))
        ready, _, _ = select.select(waits, [], [], READY_SECONDS[self.backend.name])
        for fd in waits[1:]:
            os.close(fd)
        frame = result.get("frame") if done_r in ready else None
        if not frame or frame[1] != frames.READY:
            if watched_pid and ready and done_r not in ready and self.backend.process.poll() is None:
                raise SessionError("the test run ended while the session was starting")
            if not ready:
                raise SessionError("no word from the session in %d s; %s" % (
                    READY_SECONDS[self.backend.name], self.backend.describe_failure()))
            raise SessionError(self.backend.describe_failure())
        return json.loads(frame[2])

    def route_agent_frames(self):
        try:
            while True:
                frame = frames.read_frame(self.backend.read)
                if frame is None:
                    break
                channel, kind, payload = frame
                with self.lock:
                    client = self.clients.get(channel)
                    if kind == frames.EXIT:
                        self.clients.pop(channel, None)
                if client:
                    try:
                        client.sendall(frames.pack(channel, kind, payload))
                        if kind == frames.EXIT:
                            client.shutdown(socket.SHUT_WR)
                    except OSError:
                        pass
        except (OSError, EOFError):
            pass
        os.write(self.stop_w, b"x")  # the session itself has ended

    def serve_client(self, conn):
        try:
            frame = frames.read_frame(conn.recv)
        except (OSError, EOFError):
            frame = None
        if frame is None:
            conn.close()
            return
        if frame[1] == frames.STOP:
            self.stoppers.append(conn)  # closed by the broker's exit: the caller waits for that
            os.write(self.stop_w, b"x")
            return
        with self.lock:
            channel = self.next_channel
            self.next_channel += 1
            self.clients[channel] = conn
        self.send(frames.pack(channel, frames.START, frame[2]))
        # The caller only ever closes its end; if it goes before the command
        # has ended (a CTest time-out), the command goes too.
        try:
            while conn.recv(4096):
                pass
        except OSError:
            pass
        with self.lock:
            running = self.clients.pop(channel, None) is not None
        if running:
            self.send(frames.pack(channel, frames.KILL))
        conn.close()

    def accept_clients(self, listener):
        while True:
            try:
                conn, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=self.serve_client, args=(conn,), daemon=True).start()

    def run(self, listener, watched_pid):
        threading.Thread(target=self.route_agent_frames, daemon=True).start()
        threading.Thread(target=self.accept_clients, args=(listener,), daemon=True).start()
        waits = [self.stop_r]
        if watched_pid:
            try:
                waits.append(os.pidfd_open(watched_pid))
            except ProcessLookupError:
                waits = []
        if waits:
            select.select(waits, [], [])
        agent_told = True
        try:
            self.send(frames.pack(0, frames.STOP))
        except OSError:
            agent_told = False
        self.backend.end(agent_told)


def session_paths(state):
    return os.path.join(state, "session.sock"), os.path.join(state, "session.json")


def broker_main(state, shared, watched_pid, report_fd):
    """The broker process: starts the session, reports through report_fd, serves."""
    sock_path, info_path = session_paths(state)
    backend = None
    try:
        runner = os.environ.get("SELVANE_WIN32_RUNNER") or root_tool("runner")
        if runner not in ("chroot", "vm"):
            raise SessionError("unknown runner %r" % runner)
        rootfs = root_tool("dir")
        started = time.monotonic()
        backend = (ChrootBackend if runner == "chroot" else VmBackend)(state, rootfs, nested_out(shared))
        broker = Broker(state, backend)
        info = broker.wait_ready(watched_pid)
        if os.path.exists(sock_path):
            os.unlink(sock_path)
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(sock_path)
        listener.listen(16)
        info.update(pid=os.getpid(), seconds=round(time.monotonic() - started, 1))
        with open(info_path, "w") as f:
            json.dump(info, f)
        os.write(report_fd, ("ok " + json.dumps(info)).encode())
        os.close(report_fd)
    except Exception as e:  # noqa: BLE001 - every failure is reported to the starter
        if backend:
            backend.end(False)
        os.write(report_fd, ("error " + str(e)).encode())
        os.close(report_fd)
        return 1
    try:
        broker.run(listener, watched_pid)
    finally:
        listener.close()
        for path in (sock_path, info_path):
            try:
                os.unlink(path)
            except OSError:
                pass
    return 0


def start_session(state, shared, watched_pid):
    """Forks the broker, detached from the caller; returns once it is serving."""
    os.makedirs(state, exist_ok=True)
    report_r, report_w = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.close(report_r)
        os.setsid()
        if os.fork():
            os._exit(0)
        null = os.open("/dev/null", os.O_RDWR)
        log_fd = os.open(os.path.join(state, "broker.log"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
        os.dup2(null, 0)
        os.dup2(log_fd, 1)
        os.dup2(log_fd, 2)
        code = 1
        try:
            code = broker_main(state, shared, watched_pid, report_w)
        finally:
            os._exit(code)
    os.close(report_w)
    os.waitpid(pid, 0)
    chunks = []
    while True:
        chunk = os.read(report_r, 65536)
        if not chunk:
            break
        chunks.append(chunk)
    os.close(report_r)
    report = b"".join(chunks).decode(errors="replace")
    if not report.startswith("ok "):
        raise SessionError(report[len("error "):] if report.startswith("error ") else
                           "the session broker ended without a word (see %s/broker.log)" % state)
    info = json.loads(report[3:])
    log("%s session up in %.1f s (kernel %s)" % (info["runner"], info["seconds"], info["kernel"]))


def connect(state):
    sock_path, _ = session_paths(state)
    conn = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        conn.connect(sock_path)
    except (FileNotFoundError, ConnectionRefusedError):
        conn.close()
        return None
    return conn


def run_command(state, argv):
    conn = connect(state)
    if conn is None:
        raise SessionError("no session in %s" % state)
    request = {"argv": argv, "env": dict(os.environ), "cwd": os.getcwd()}
    conn.sendall(frames.pack_json(0, frames.START, request))
    out, err = sys.stdout.buffer, sys.stderr.buffer
    while True:
        frame = frames.read_frame(conn.recv)
        if frame is None:
            log("the session ended before %s did" % argv[0])
            return 1
        _, kind, payload = frame
        if kind == frames.OUT:
            out.write(payload)
            out.flush()
        elif kind == frames.ERR:
            err.write(payload)
            err.flush()
        elif kind == frames.EXIT:
            return json.loads(payload)["code"]


def stop_session(state):
    conn = connect(state)
    if conn is None:
        return
    conn.sendall(frames.pack(0, frames.STOP))
    # The broker closes this connection by ending, after the session has ended.
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass
    conn.close()


def session_running(state):
    conn = connect(state)
    if conn is None:
        return False
    conn.close()
    return True


def main(argv):
    if len(argv) < 3 or argv[1] not in ("start", "run", "stop"):
        print(__doc__, file=sys.stderr)
        return 2
    action, state = argv[1], os.path.abspath(argv[2])
    split = argv.index("--") if "--" in argv else len(argv)
    options, command = argv[3:split], argv[split + 1:]
    shared = options[options.index("--shares") + 1] if "--shares" in options else ""
    try:
        if action == "start":
            stop_session(state)  # one left by an interrupted run
            start_session(state, shared, os.getppid())
            return run_command(state, command) if command else 0
        if action == "stop":
            code = run_command(state, command) if command and session_running(state) else 0
            stop_session(state)
            return code
        if session_running(state):
            return run_command(state, command)
        # No session: one for this command alone.
        start_session(state, shared, os.getpid())
        try:
            return run_command(state, command)
        finally:
            stop_session(state)
    except SessionError as e:
        log(str(e))
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
