// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QFile>
#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "sha1tester_version.h"
#include "ui/dialogs/alert.h"
#include "ui/tester/main.h"
#include "utilities/basicutilities.h"

namespace {

// Qt reports a display it cannot reach (none set, none listening, access refused) with a few lines
// about platform plugins and then aborts. While the application starts, its messages are held back:
// a fatal one becomes one plain line and status 1; otherwise they are passed on as they came.
struct Held {
  QtMsgType type;
  QByteArray category;
  QString text;
};
QList<Held> heldback;

void holdback(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fputs("sha1tester: no display to show the window on; start it from a desktop session, or over SSH with X forwarding (ssh -X).\n", stderr);
    std::_Exit(1);
  }
  heldback.append({type, context.category, text});
}

constexpr const char* usage =
    "Usage: sha1tester [--help] [--version] [Qt options] [FILE]\n"
    "\n"
    "A window for checking a SHA-1 implementation against published test vectors: pick a vector from\n"
    "the catalogue, see its message as text or as hexadecimal bytes and its expected digest, press\n"
    "\"Hash Message\" and compare the computed digest with it. Any message can be typed or pasted, a\n"
    "file dropped on the window, and your own implementation's digest pasted into \"Expected\".\n"
    "A FILE named on the command line is opened and hashed at once, as Ctrl+O does.\n"
    "\n"
    "Keys: Enter or Space on \"Hash Message\", or Ctrl+Enter anywhere, hashes; Escape stops a long\n"
    "run; Ctrl+Shift+C copies the computed digest as 40 lower-case digits; Ctrl+O opens a file to\n"
    "hash; Ctrl+E shows a paste too big to show at once; F2 (or the Hash box's menu) shows the\n"
    "rounds of the hashed message, block by block, as NIST's worked example lists them.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "Qt's own options (such as -platform offscreen or -style fusion) are passed on to Qt.\n"
    "\n"
    "To check whole vector sets, or another program's SHA-1, from the command line: sha1vectors(1).\n"
    "\n"
    "Exit status: 0 when the window is closed, 1 when no display can be reached, 2 for a wrong call.\n";

// Qt's own command-line options (either - or --): those that take a value, then those that do not.
constexpr std::string_view qtvalueoptions[] = {"platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
                                               "qwindowicon", "qwindowtitle",       "style",         "stylesheet", "session",
                                               "display",     "geometry",           "name",          "title"};
constexpr std::string_view qtflags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// Whether argument is one of Qt's options; takesvalue says whether the next argument is its value
// (not so for -option=value).
bool isqtoption(const char* argument, bool& takesvalue) {
  const std::string_view name = std::string_view(argument).substr(std::strncmp(argument, "--", 2) == 0 ? 2 : 1);
  const std::string_view option = name.substr(0, name.find('='));
  const auto listed = [option](const auto& list) { return std::find(std::begin(list), std::end(list), option) != std::end(list); };
  takesvalue = option == name && listed(qtvalueoptions);
  return listed(qtvalueoptions) || option == "qmljsdebugger" || (option == name && listed(qtflags));
}

// Answers --help and --version, takes one FILE (after "--" too), and refuses anything else that
// is not Qt's; -1 when the window is to start. Done before Qt starts, so that it works without a
// display.
int answercommandline(int argc, char* argv[], const char*& file) {
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (options && std::strcmp(argument, "--") == 0) {
      options = false;
      continue;
    }
    if (!options || argument[0] != '-' || argument[1] == '\0') {
      if (file != nullptr) {
        std::fprintf(stderr, "sha1tester: takes one file, not \"%s\" as well as \"%s\"; sha1tester --help says what it takes\n", argument, file);
        return 2;
      }
      file = argument;
      continue;
    }
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
      std::fputs(usage, stdout);
      return 0;
    }
    if (std::strcmp(argument, "--version") == 0) {
      std::printf("sha1tester %s\n", sha1tester::version::text);
      return 0;
    }
    bool takesvalue = false;
    if (!isqtoption(argument, takesvalue) || (takesvalue && ++i >= argc)) {
      std::fprintf(stderr, "sha1tester: %s \"%s\"; sha1tester --help says what it takes\n", takesvalue ? "needs a value after" : "unknown option",
                   argument);
      return 2;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const char* file = nullptr;
  if (const int status = answercommandline(argc, argv, file); status >= 0) return status;
  qInstallMessageHandler(holdback);
  QApplication application(argc, argv);
  qInstallMessageHandler(nullptr);
  for (const Held& held : heldback) {
    const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
    qt_message_output(held.type, context, held.text);
  }
  // Desktops match the window to its menu entry by this name.
  QGuiApplication::setDesktopFileName(sha1tester::version::appid);
  // From here on the program's alerts are the modal dialog, not lines on standard error.
  basicutilities::setalerthandler(dialogs::alertuser);
  tester::main window;
  window.show();
  if (file != nullptr) window.openfile(QFile::decodeName(file));
  return QApplication::exec();
}
