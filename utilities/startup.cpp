// SPDX-License-Identifier: MIT
#include <string>

#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

std::string lasttwodigits(int number) {
  const std::string digits = "00" + std::to_string(number);
  return digits.substr(digits.size() - 2);
}

}  // namespace

std::string versiontext(int major, int minor, int revision) {
  return std::to_string(major) + "." + lasttwodigits(minor) + "." + lasttwodigits(revision);
}

void initcontrolchars() {
  // assign(1, c): -Wrestrict
  tabchar.assign(1, '\t');
  lfchar.assign(1, '\n');
  ffchar.assign(1, '\f');
  crchar.assign(1, '\r');
  escchar.assign(1, '\x1B');
  quotechar.assign(1, '"');
  bschar.assign(1, '\b');
  delchar.assign(1, '\x7F');
  crlf = crchar + lfchar;
  ackchar.assign(1, '\x06');
  nakchar.assign(1, '\x15');
}

}  // namespace basicutilities
