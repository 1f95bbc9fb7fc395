"""Hashes and signatures for update sets made by the test runners, written
with Python alone (hashlib, and the P-256 arithmetic below), independent of
the C++ code under test and of any crypto package, so that the runners also
work in the 32-bit tests' root file system.

  add_hashes(folder)                         appends sha256=<hex> to every entry line
  sign(folder, private, sequence, expires)   writes update3.dat.sig for update3.dat
"""

import hashlib
import os
import secrets
import struct

LIST = "update3.dat"
SIGNATURE = "update3.dat.sig"
FAR_FUTURE = 4102444800  # 2100-01-01
LONG_AGO = 946684800     # 2000-01-01

# The curve P-256: y^2 = x^3 - 3x + b over GF(P), base point G of order N.
P = 2**256 - 2**224 + 2**192 + 2**96 - 1
N = 0xFFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632551
G = (0x6B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C296,
     0x4FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5)

# The test key of tests/trust/vectors.h: its private number and public X, Y.
TEST_KEY = int.from_bytes(hashlib.sha256(b"selvane fixed test key").digest(), "big") % P
TEST_PUBLIC_KEY = ("4c8081857277a0c57a7de8e73980ef80cdc14d57ef92f03b44e2a55fce2ac347"
                   "6c106ff7a3ffb775ab588206dc8ae254906d807b86969ec14d3fdb729fdb701e")


def _add(a, b):
    if a is None:
        return b
    if b is None:
        return a
    if a[0] == b[0] and (a[1] + b[1]) % P == 0:
        return None
    if a == b:
        slope = (3 * a[0] * a[0] - 3) * pow(2 * a[1], -1, P) % P
    else:
        slope = (b[1] - a[1]) * pow(b[0] - a[0], -1, P) % P
    x = (slope * slope - a[0] - b[0]) % P
    return x, (slope * (a[0] - x) - a[1]) % P


def _multiply(k, point):
    result = None
    while k:
        if k & 1:
            result = _add(result, point)
        point = _add(point, point)
        k >>= 1
    return result


def public_key_hex(private):
    x, y = _multiply(private, G)
    return "%064x%064x" % (x, y)


def new_private_key():
    return secrets.randbelow(N - 1) + 1


def sign_digest(private, digest):
    """ECDSA over a SHA-256 digest: r then s as 128 hex digits."""
    z = int.from_bytes(digest, "big")
    while True:
        k = secrets.randbelow(N - 1) + 1
        r = _multiply(k, G)[0] % N
        s = pow(k, -1, N) * (z + r * private) % N
        if r and s:
            return "%064x%064x" % (r, s)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def add_hashes(folder):
    """Every entry line gets the SHA-256 of its remote file as served."""
    lines = read(os.path.join(folder, LIST)).split(b"\r\n")
    for n, line in enumerate(lines):
        fields = line.split(b" ")
        if n == 0 or len(fields) < 5:
            continue
        digest = hashlib.sha256(read(os.path.join(folder, fields[1].decode()))).hexdigest()
        lines[n] = line + b" sha256=" + digest.encode()
    write(os.path.join(folder, LIST), b"\r\n".join(lines))


def sign(folder, private, sequence, expires):
    message = (b"SLVLIST1" + struct.pack(">QQ", sequence, expires) +
               hashlib.sha256(read(os.path.join(folder, LIST))).digest())
    text = ("selvane-list-signature 1\r\nsequence %d\r\nexpires %d\r\nsignature %s\r\n"
            % (sequence, expires, sign_digest(private, hashlib.sha256(message).digest())))
    write(os.path.join(folder, SIGNATURE), text.encode("ascii"))
