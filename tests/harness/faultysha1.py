#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# A harness over a SHA-1 of its own, in pure Python, with the fault its argument names:
#   correct    none
#   lostbyte   an update that completes a half-full buffer loses the byte after it
# and, from the second end on, harnesses that go wrong: exits (status 5), hangs, garbage (prints
# "hello"), renumbers (answers the number of the end before), closes (closes its output, then ends);
#   slowstart  right, but a second passes before it reads anything (a cold interpreter's start)
import os
import struct
import sys
import time

FAULT = sys.argv[1] if len(sys.argv) > 1 else "correct"


def rotl(x, n):
    return ((x << n) | (x >> (32 - n))) & 0xFFFFFFFF


class Sha1:
    def __init__(self):
        self.h = [0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0]
        self.buffer = b""
        self.length = 0

    def block(self, chunk):
        w = list(struct.unpack(">16I", chunk))
        for t in range(16, 80):
            w.append(rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1))
        a, b, c, d, e = self.h
        for t in range(80):
            if t < 20:
                f, k = (b & c) | (~b & d), 0x5A827999
            elif t < 40:
                f, k = b ^ c ^ d, 0x6ED9EBA1
            elif t < 60:
                f, k = (b & c) | (b & d) | (c & d), 0x8F1BBCDC
            else:
                f, k = b ^ c ^ d, 0xCA62C1D6
            a, b, c, d, e = (rotl(a, 5) + f + e + k + w[t]) & 0xFFFFFFFF, a, rotl(b, 30), c, d
        self.h = [(x + y) & 0xFFFFFFFF for x, y in zip(self.h, (a, b, c, d, e))]

    def update(self, data):
        self.length += len(data)
        if self.buffer and len(self.buffer) + len(data) >= 64:
            need = 64 - len(self.buffer)
            self.block(self.buffer + data[:need])
            data = data[need + (1 if FAULT == "lostbyte" else 0):]
            self.buffer = b""
        while len(data) >= 64:
            self.block(data[:64])
            data = data[64:]
        self.buffer += data

    def hexdigest(self):
        tail = self.buffer + b"\x80" + b"\0" * ((55 - len(self.buffer)) % 64) + struct.pack(">Q", self.length * 8)
        for at in range(0, len(tail), 64):
            self.block(tail[at:at + 64])
        return "".join("%08x" % x for x in self.h)


stdin, stdout = sys.stdin.buffer, sys.stdout.buffer
if FAULT == "slowstart":
    time.sleep(1)
hash = Sha1()
for line in stdin:
    word, number = line.split()
    if word == b"U":
        hash.update(stdin.read(int(number)))
    elif word == b"E" and number != b"1" and FAULT in ("exits", "hangs", "garbage", "closes"):
        if FAULT == "exits":
            sys.exit(5)
        if FAULT == "garbage":
            stdout.write(b"hello\n")
            stdout.flush()
        if FAULT == "closes":
            os.close(1)
            time.sleep(0.3)
            sys.exit(0)
        time.sleep(3600)
    elif word == b"E":
        if FAULT == "renumbers" and number != b"1":
            number = str(int(number) - 1).encode()
        stdout.write(hash.hexdigest().encode() + b" " + number + b"\n")
        stdout.flush()
        hash = Sha1()
