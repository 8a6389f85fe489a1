// Shows the tester window on the real display, hashes catalogue entry 2 as a user would, and saves
// what the X server shows of the window: scripts/screenshot runs it under Xvfb.
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QTest>
#include <cstdio>

#include "ui/forms/combobox.h"
#include "ui/tester/main.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fputs("usage: sha1tester_screenshot OUTPUT.png\n", stderr);
    return 2;
  }
  tester::main window;
  window.move(16, 16);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  window.Combo1->setlistindex(2);
  QTest::mouseClick(window.Command1_1, Qt::LeftButton);
  QTest::qWait(300);
  const QRect frame = window.frameGeometry();
  const QPixmap picture = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return picture.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
