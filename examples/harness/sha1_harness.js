#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// sha1vectors --harness 'node examples/harness/sha1_harness.js': Node's crypto through the harness
// protocol. Replace crypto.createHash('sha1') with your own SHA-1 (update, then digest).
'use strict';
const crypto = require('crypto');
const fs = require('fs');

let hash = crypto.createHash('sha1');
let input = Buffer.alloc(0);
let need = -1;  // bytes of an update still to come, or -1 between requests
const out = [];

function take() {
  for (;;) {
    if (need >= 0) {
      if (input.length < need) return;
      hash.update(input.subarray(0, need));
      input = input.subarray(need);
      need = -1;
    }
    const newline = input.indexOf(10);
    if (newline < 0) return;
    const [word, number] = input.subarray(0, newline).toString().split(' ');
    input = input.subarray(newline + 1);
    if (word === 'U') need = Number(number);
    if (word === 'E') {
      out.push(hash.digest('hex') + ' ' + number + '\n');
      hash = crypto.createHash('sha1');
    }
  }
}

process.stdin.on('data', (chunk) => {
  input = input.length ? Buffer.concat([input, chunk]) : chunk;
  take();
  if (out.length) fs.writeSync(1, out.splice(0).join(''));  // answered before more is read
});
