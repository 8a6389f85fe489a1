#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# sha1vectors --harness 'python3 examples/harness/sha1_harness.py': Python's hashlib through the
# harness protocol. Replace hashlib.sha1 with your own SHA-1 (an object with update and digest).
import hashlib
import sys

def main():
    stdin, stdout = sys.stdin.buffer, sys.stdout.buffer
    hash = hashlib.sha1()
    for line in stdin:
        word, number = line.split()
        if word == b"U":
            hash.update(stdin.read(int(number)))
        elif word == b"E":
            stdout.write(hash.hexdigest().encode() + b" " + number + b"\n")
            stdout.flush()
            hash = hashlib.sha1()

main()
