#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// A harness over a SHA-1 of its own, in plain JavaScript, with the fault its argument names:
//   correct     none
//   bitcount32  the bit count is kept in 32 bits (length * 8 | 0), wrong from 512 MiB on
'use strict';
const fs = require('fs');
const fault = process.argv[2] || 'correct';

class Sha1 {
  constructor() {
    this.h = Int32Array.of(0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0);
    this.w = new Int32Array(80);
    this.buffer = Buffer.alloc(64);
    this.used = 0;
    this.length = 0;
  }
  block(bytes, at) {
    const w = this.w;
    for (let t = 0; t < 16; t++) w[t] = bytes.readInt32BE(at + 4 * t);
    for (let t = 16; t < 80; t++) { const x = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16]; w[t] = (x << 1) | (x >>> 31); }
    let [a, b, c, d, e] = this.h;
    for (let t = 0; t < 80; t++) {
      const f = t < 20 ? ((b & c) | (~b & d)) + 0x5a827999 : t < 40 ? (b ^ c ^ d) + 0x6ed9eba1
              : t < 60 ? ((b & c) | (b & d) | (c & d)) + 0x8f1bbcdc : (b ^ c ^ d) + 0xca62c1d6;
      const next = (((a << 5) | (a >>> 27)) + f + e + w[t]) | 0;
      e = d; d = c; c = (b << 30) | (b >>> 2); b = a; a = next;
    }
    const h = this.h;
    h[0] += a; h[1] += b; h[2] += c; h[3] += d; h[4] += e;
  }
  update(data) {
    this.length += data.length;
    let at = 0;
    if (this.used > 0) {
      at = Math.min(64 - this.used, data.length);
      data.copy(this.buffer, this.used, 0, at);
      this.used += at;
      if (this.used < 64) return;
      this.block(this.buffer, 0);
      this.used = 0;
    }
    for (; at + 64 <= data.length; at += 64) this.block(data, at);
    this.used = data.copy(this.buffer, 0, at);
  }
  hexdigest() {
    const bits = fault === 'bitcount32' ? (this.length * 8) | 0 : this.length * 8;
    const tail = Buffer.alloc(this.used < 56 ? 64 : 128);
    this.buffer.copy(tail, 0, 0, this.used);
    tail[this.used] = 0x80;
    tail.writeUInt32BE(Math.floor(bits / 0x100000000) >>> 0, tail.length - 8);
    tail.writeUInt32BE(bits >>> 0, tail.length - 4);
    for (let at = 0; at < tail.length; at += 64) this.block(tail, at);
    return Array.from(this.h, (x) => (x >>> 0).toString(16).padStart(8, '0')).join('');
  }
}

let hash = new Sha1();
let input = Buffer.alloc(0);
let need = -1;
process.stdin.on('data', (chunk) => {
  input = input.length ? Buffer.concat([input, chunk]) : chunk;
  const out = [];
  for (;;) {
    if (need >= 0) {
      if (input.length < need) break;
      hash.update(input.subarray(0, need));
      input = input.subarray(need);
      need = -1;
    }
    const newline = input.indexOf(10);
    if (newline < 0) break;
    const [word, number] = input.subarray(0, newline).toString().split(' ');
    input = input.subarray(newline + 1);
    if (word === 'U') need = Number(number);
    if (word === 'E') { out.push(hash.hexdigest() + ' ' + number + '\n'); hash = new Sha1(); }
  }
  if (out.length) fs.writeSync(1, out.join(''));
});
