// SPDX-License-Identifier: MIT
// sha1vectors --harness 'go run examples/harness/sha1_harness.go': Go's crypto/sha1 through the
// harness protocol. Replace sha1.New() with your own hash.Hash.
package main

import (
	"bufio"
	"crypto/sha1"
	"encoding/hex"
	"fmt"
	"io"
	"os"
	"strconv"
	"strings"
)

func main() {
	in := bufio.NewReaderSize(os.Stdin, 1<<16)
	out := bufio.NewWriter(os.Stdout)
	h := sha1.New()
	for {
		line, err := in.ReadString('\n')
		if err != nil {
			return
		}
		fields := strings.Fields(line)
		switch fields[0] {
		case "U":
			n, _ := strconv.ParseInt(fields[1], 10, 64)
			io.CopyN(h, in, n)
		case "E":
			fmt.Fprintf(out, "%s %s\n", hex.EncodeToString(h.Sum(nil)), fields[1])
			out.Flush()
			h = sha1.New()
		}
	}
}
