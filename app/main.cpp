#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/tester/main.h"

namespace {

// Without a display Qt aborts with a message a user may not read; say it plainly instead.
bool hasdisplay() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
  return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!hasdisplay()) {
    std::fputs("sha1tester: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
               "Start it from a desktop session, or over SSH with X forwarding (ssh -X).\n",
               stderr);
    return 1;
  }
  QApplication application(argc, argv);
  tester::main window;
  window.show();
  return QApplication::exec();
}
