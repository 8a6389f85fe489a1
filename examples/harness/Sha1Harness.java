// SPDX-License-Identifier: MIT
// sha1vectors --harness 'java examples/harness/Sha1Harness.java': Java's MessageDigest through the
// harness protocol. Replace MessageDigest.getInstance("SHA-1") with your own MessageDigest.
import java.io.BufferedInputStream;
import java.io.DataInputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.security.MessageDigest;
import java.util.HexFormat;

public class Sha1Harness {
  public static void main(String[] args) throws Exception {
    DataInputStream in = new DataInputStream(new BufferedInputStream(System.in, 1 << 16));
    PrintStream out = new PrintStream(System.out, false);
    MessageDigest hash = MessageDigest.getInstance("SHA-1");
    for (String line; (line = readLine(in)) != null; ) {
      String[] fields = line.split(" ");
      if (fields[0].equals("U")) {
        byte[] bytes = new byte[Integer.parseInt(fields[1])];
        in.readFully(bytes);
        hash.update(bytes);
      } else if (fields[0].equals("E")) {
        out.print(HexFormat.of().formatHex(hash.digest()) + " " + fields[1] + "\n");
        out.flush();
      }
    }
  }

  // One line of ASCII, without its end; null at the end of input.
  static String readLine(DataInputStream in) throws IOException {
    StringBuilder line = new StringBuilder();
    for (int c; (c = in.read()) != '\n'; line.append((char) c)) {
      if (c < 0) return null;
    }
    return line.toString();
  }
}
