#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before Qt starts, so that it works without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("sha1tester %s\n", sha1tester::version::text);
    return 0;
  }
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
  return QApplication::exec();
}
