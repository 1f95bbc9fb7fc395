#!/usr/bin/env python3
"""A full update run of the product against an operator's mirror, side by side.

    update_run_bench.py [--set mixed|tiny|big] [--runs N] [--work DIR] [--hashes]

Makes a game release with a fixed seed (mixed: 1,000 files, about 200 MB
served, mostly type E, some type O, three packs C; tiny: 1,000 files of
1 KiB; big: 10 files of 20 MiB), its update set with mkupdate, and serves it
with pyftpdlib on 127.0.0.1. Then, interleaved, N times each:

  product   update_demo.exe (the product's update run, headless) under wine64
            in a fresh game folder that holds only isp0.dat
  baseline  lftp `mirror` of the served folder, then `gzip -d` of its .gz files

With --hashes the two sides are the product against the set as mkupdate
makes it (a SHA-256 on every entry, checked after each download) and the
product against the same files under a list without them, served by a
second server;

and prints wall time and CPU time (user + sys of the whole process tree,
wineserver included) of each run, with the medians and their ratios. The
wine prefix, the release and the update set are made before any timing.

Needs build/native (mkupdate) and build/win64 (update_demo), lftp, Xvfb,
wine64 and python3-pyftpdlib (/usr/bin/python3).
"""

import argparse
import ctypes
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MKUPDATE = os.path.join(ROOT, "build/native/tools/mkupdate/mkupdate")
UPDATE_DEMO = os.path.join(ROOT, "build/win64/tools/demo/update_demo.exe")
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
SEED = 20261209
PR_SET_CHILD_SUBREAPER = 36


# --- The release --------------------------------------------------------------

def content(rng, size):
    """Bytes that gzip halves, roughly: random stretches between repeated text."""
    words = [b"stone ", b"river ", b"lantern ", b"sword ", b"orchard ", b"map ", b"\x00\x01\x02\x03"]
    out = bytearray()
    while len(out) < size:
        out += rng.randbytes(rng.randint(64, 512))
        out += b"".join(rng.choice(words) for _ in range(rng.randint(16, 96)))
    return bytes(out[:size])


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_release(kind, source):
    """Writes the release; returns mkupdate's extra arguments (plain files, packs)."""
    rng = random.Random(SEED)
    args = []
    if kind == "tiny":
        for i in range(1000):
            write(os.path.join(source, "data%02d/f%04d.bin" % (i // 100, i)), content(rng, 1024))
        return args
    if kind == "big":
        for i in range(10):
            write(os.path.join(source, "big/f%02d.bin" % i), content(rng, 20 << 20))
        return args
    # mixed: 930 type E, 40 type O, 3 packs of 10 items; sizes spread over
    # 1 KiB to 4 MiB, about 400 MB of game files, about 200 MB served.
    for i in range(930):
        size = int(2 ** rng.uniform(10, 22))
        write(os.path.join(source, "data%02d/e%04d.bin" % (i // 100, i)), content(rng, size))
    for i in range(40):
        rel = "docs/o%02d.txt" % i
        write(os.path.join(source, rel), content(rng, int(2 ** rng.uniform(10, 18))))
        args += ["--plain", rel]
    for p in range(3):
        for i in range(10):
            write(os.path.join(source, "packs/p%d/item%02d.snd" % (p, i)),
                  content(rng, int(2 ** rng.uniform(12, 19))))
        args += ["--pack", "pack%d.pak=packs/p%d" % (p, p)]
    return args


def tree_size(path):
    total = count = 0
    for dirpath, _, names in os.walk(path):
        for name in names:
            total += os.path.getsize(os.path.join(dirpath, name))
            count += 1
    return count, total


# --- Measuring ----------------------------------------------------------------

def measure(argv, env=None, cwd=None):
    """Runs argv in a child that adopts every orphan below it (wineserver
    detaches), waits for all of them and reports (wall, cpu, rc): wall until
    argv itself ends, cpu of the whole tree."""
    child = subprocess.run(
        [sys.executable, os.path.abspath(__file__), "--reap", "--"] + argv,
        env=env, cwd=cwd, stdout=subprocess.PIPE, text=True)
    wall, cpu, rc = child.stdout.strip().splitlines()[-1].split()
    return float(wall), float(cpu), int(rc)


def reap(argv):
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL)
    rc = proc.wait()
    wall = time.monotonic() - start
    while True:  # the adopted ones, until none is left
        try:
            os.wait()
        except ChildProcessError:
            break
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    print("%.3f %.3f %d" % (wall, usage.ru_utime + usage.ru_stime, rc))


# --- The two sides ------------------------------------------------------------

def start_server(folder):
    code = ("import sys; sys.path.insert(0, %r); import loopback_ftp;"
            "s = loopback_ftp.create([('bench', 'bench', %r)]);"
            "print(s.address[1], flush=True); s.serve_forever(handle_exit=True)"
            % (os.path.join(ROOT, "scripts/lib"), folder))
    server = subprocess.Popen(["/usr/bin/python3", "-c", code], stdout=subprocess.PIPE, text=True)
    port = int(server.stdout.readline())
    return server, port


def start_xvfb():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x16",
                             "-nolisten", "tcp"], pass_fds=[write_fd],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        display = f.readline().strip()
    return xvfb, ":" + display


def product_run(work, port, env):
    game = os.path.join(work, "game")
    shutil.rmtree(game, ignore_errors=True)
    os.makedirs(game)
    shutil.copy(UPDATE_DEMO, game)
    with open(os.path.join(game, "isp0.dat"), "wb") as f:
        f.write(b"Bench 127.0.0.1 %d 10000 bench bench\r\nend\r\n" % port)
    return measure([WINE, os.path.join(game, "update_demo.exe")], env=env, cwd=game)


def baseline_run(work, port):
    mirror = os.path.join(work, "mirror")
    shutil.rmtree(mirror, ignore_errors=True)
    script = ('lftp -c "open -u bench,bench ftp://127.0.0.1:%d; mirror / %s" && '
              "find %s -name '*.gz' -exec gzip -d {} +" % (port, mirror, mirror))
    return measure(["sh", "-c", script])


def strip_hashes(served, plain):
    """The same files under a list whose entries name no SHA-256."""
    shutil.rmtree(plain, ignore_errors=True)
    os.makedirs(plain)
    for name in os.listdir(served):
        if name != "update3.dat":
            os.link(os.path.join(served, name), os.path.join(plain, name))
    with open(os.path.join(served, "update3.dat"), "rb") as f:
        lines = f.read().split(b"\r\n")
    kept = [b" ".join(w for w in l.split(b" ") if not w.startswith(b"sha256=")) for l in lines]
    with open(os.path.join(plain, "update3.dat"), "wb") as f:
        f.write(b"\r\n".join(kept))


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--reap":
        reap(sys.argv[3:])
        return
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--set", choices=["mixed", "tiny", "big"], default="mixed")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--work", default=os.path.join(ROOT, "build/bench-update"))
    parser.add_argument("--hashes", action="store_true",
                        help="the run with SHA-256 checks against the run without them")
    opts = parser.parse_args()

    work = os.path.join(opts.work, opts.set)
    source, served = os.path.join(work, "source"), os.path.join(work, "server")
    listed = os.path.join(served, "update3.dat")
    if not os.path.isfile(listed) or b"sha256=" not in open(listed, "rb").read():
        shutil.rmtree(work, ignore_errors=True)
        extra = make_release(opts.set, source)
        subprocess.run([MKUPDATE, "--source", source, "--out", served, "--version", "0001"]
                       + extra, check=True, stdout=subprocess.DEVNULL)
    files, game_bytes = tree_size(source)
    served_files, served_bytes = tree_size(served)
    print("set %s: %d game files, %.1f MB; served %d files, %.1f MB"
          % (opts.set, files, game_bytes / 1e6, served_files, served_bytes / 1e6))

    env = dict(os.environ, WINEPREFIX=os.path.join(opts.work, "wineprefix"), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64", WINELOADER=WINE)
    xvfb, env["DISPLAY"] = start_xvfb()
    server, port = start_server(served)
    sides = ("product", "baseline")
    if opts.hashes:
        strip_hashes(served, served + "-nohash")
        plain_server, plain_port = start_server(served + "-nohash")
        sides = ("hashed", "unhashed")
    try:
        if not os.path.isfile(os.path.join(env["WINEPREFIX"], "system.reg")):
            subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env)
        results = {side: [] for side in sides}
        for i in range(opts.runs):
            for side in sides:
                if side == "baseline":
                    wall, cpu, rc = baseline_run(work, port)
                else:
                    wall, cpu, rc = product_run(work, plain_port if side == "unhashed" else port,
                                                env)
                results[side].append((wall, cpu))
                print("run %d %-8s wall %7.2f s  cpu %7.2f s  exit %d  (load %.1f)"
                      % (i + 1, side, wall, cpu, rc, os.getloadavg()[0]), flush=True)
                if rc != 0:
                    sys.exit("%s run failed" % side)
        same = subprocess.run(["diff", "-rq", source, os.path.join(work, "game")],
                              stdout=subprocess.PIPE, text=True).stdout
        extra_lines = [l for l in same.splitlines() if not l.startswith("Only in " + work + "/game")]
        print("installed files equal the release: %s" % ("yes" if not extra_lines else same))
        med = {s: (statistics.median(w for w, _ in r), statistics.median(c for _, c in r))
               for s, r in results.items()}
        for s in sides:
            print("median %-8s wall %7.2f s  cpu %7.2f s" % (s, *med[s]))
        print("ratio %s/%s: wall %.2fx  cpu %.2fx"
              % (sides[0], sides[1], med[sides[0]][0] / med[sides[1]][0],
                 med[sides[0]][1] / med[sides[1]][1]))
    finally:
        if opts.hashes:
            plain_server.terminate()
            plain_server.wait()
        server.terminate()
        server.wait()
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
