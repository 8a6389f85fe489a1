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
  tabchar = "\t";
  lfchar = "\n";
  ffchar = "\f";
  crchar = "\r";
  escchar = "\x1B";
  quotechar = "\"";
  bschar = "\b";
  delchar = "\x7F";
  crlf = crchar + lfchar;
  ackchar = "\x06";
  nakchar = "\x15";
}

}  // namespace basicutilities
