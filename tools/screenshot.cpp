// SPDX-License-Identifier: MIT
// Shows the tester window on the real display, hashes catalogue entry 2 as a user would (with
// "mismatch", against an expected digest with its second word changed; with "file", a file of a
// million "a" opened instead, against sha1sum's line for it), and saves what the X server shows of
// the window: scripts/screenshot runs it under Xvfb.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QTest>
#include <cstdio>

#include "ui/forms/combobox.h"
#include "ui/tester/main.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QString kind = argc == 3 ? QString(argv[2]) : QString();
  if (argc < 2 || argc > 3 || (argc == 3 && kind != "mismatch" && kind != "file")) {
    std::fputs("usage: sha1tester_screenshot OUTPUT.png [mismatch|file]\n", stderr);
    return 2;
  }
  tester::main window;
  window.move(16, 16);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  QTemporaryDir folder;
  if (kind == "file") {
    QFile file(folder.path() + "/million-a.txt");
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(1'000'000, 'a')) != 1'000'000) return 1;
    file.close();
    window.openfile(file.fileName());
    QTest::keyClicks(window.exphash, "34aa973cd4c4daa4f61eeb2bdbad27316534016f  million-a.txt");
  } else {
    window.Combo1->setlistindex(2);
  }
  if (kind == "mismatch") {
    window.exphash->selectAll();
    QTest::keyClicks(window.exphash, "a9993e36 4706816b ba3e2571 7850c26c 9cd0d89d");
  }
  QTest::mouseClick(window.Command1_1, Qt::LeftButton);
  QTest::qWait(300);
  const QRect frame = window.frameGeometry();
  const QPixmap picture = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return picture.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
