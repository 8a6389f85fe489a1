// SPDX-License-Identifier: MIT
// A file as the message: dropped on the window or chosen with Ctrl+O, shown as a marker, hashed by
// streaming it; a file that cannot be read whole is told, and nothing else changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include "testerwindow.h"

namespace {

using guitest::peerdigest;
using guitest::TesterWindow;
using guitest::waitfor;

class FileWindow : public TesterWindow {
 protected:
  std::string write(const std::string& name, const std::string& content) {
    const std::string path = (folder_.path() + "/" + QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  // Ctrl+O, the file chosen in the dialog, Open.
  void choose(const std::string& path) {
    activate();  // before the answer is queued: activating runs the event loop
    QTimer::singleShot(0, [path] {
      waitfor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; });
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      auto* buttons = dialog != nullptr ? dialog->findChild<QDialogButtonBox*>() : nullptr;
      ASSERT_NE(buttons, nullptr) << "no file dialog";
      dialog->selectFile(QString::fromStdString(path));
      QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
      if (!waitfor([dialog] { return !dialog->isVisible(); })) {
        dialog->reject();
        FAIL() << "the dialog did not take " << path;
      }
    });
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
  }

  QTemporaryDir folder_;
};

// Naming a file asks for its digest: it is hashed without the button, and again with it.
TEST_F(FileWindow, AFileDroppedOrChosenIsHashedWholeAtOnceAndKeptAcrossAModeSwitch) {
  const std::string content = std::string(3'000'000, 'x') + "end";
  const std::string path = write("big.bin", content);
  for (const bool dropped : {true, false}) {
    pick(2);
    if (dropped) {
      drop(box()->viewport(), path);
    } else {
      choose(path);
    }
    EXPECT_EQ(shown(), "file: big.bin \u00B7 3,000,003 bytes") << "not the file's name as text";
    EXPECT_TRUE(hashed()) << "not hashed at once";
    EXPECT_EQ(window.hash->text(), peerdigest(content));
    EXPECT_EQ(window.status->toolTip(), "3,000,003 bytes: the file " + QString::fromStdString(path));
    EXPECT_EQ(combo()->currentIndex(), catalogue::promptentry) << "no entry stands beside a file";
    EXPECT_EQ(window.exphash->text(), "");
    choosemode(dropped ? 1 : 0);
    presshash();
    EXPECT_EQ(window.hash->text(), peerdigest(content));
  }
  // An edit makes the marker plain text.
  type(" ");
  presshash();
  EXPECT_EQ(window.hash->text(), peerdigest("file: big.bin \xB7 3,000,003 bytes "));
}

// Whatever happened to the file since it was opened is said on the status line; the box keeps the
// marker and no digest shows.
TEST_F(FileWindow, AFileThatCannotBeReadWholeIsToldAndNothingIsHashed) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
    const char* said;
  };
  const Case cases[] = {
      {"gone", [](const std::string& path) { std::filesystem::remove(path); }, "cannot be read"},
      {"grown", [](const std::string& path) { std::ofstream(path, std::ios::app) << "more"; }, "changed while it was read: 7 bytes, not the 3 bytes it had"},
      {"shrunk", [](const std::string& path) { std::filesystem::resize_file(path, 1); }, "changed while it was read: 1 byte, not the 3 bytes it had"},
  };
  for (const Case& c : cases) {
    const std::string path = write(c.name, "abc");
    drop(&window, path);
    const QString marker = shown();
    c.change(path);
    presshash();
    EXPECT_TRUE(window.status->toolTip().startsWith("Not hashed: " + QString::fromStdString(path) + " " + c.said)) << window.status->toolTip().toStdString();
    EXPECT_EQ(window.hash->text(), "") << c.name;
    EXPECT_EQ(shown(), marker) << c.name;
    expectidle();
  }
  drop(&window, folder_.path().toStdString());
  EXPECT_EQ(window.status->toolTip(), "Cannot open " + folder_.path() + ": it is not a regular file");
}

// A file replaced by a FIFO after it was opened: the request says so, instead of waiting in open()
// for a writer that never comes, with the window frozen.
TEST_F(FileWindow, AFileReplacedByAPipeIsRefusedNotWaitedFor) {
  const std::string path = write("abc.txt", "abc");
  drop(&window, path);
  std::filesystem::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  presshash();
  EXPECT_EQ(window.status->toolTip(), QString::fromStdString("Not hashed: " + path + " is no longer a regular file; open it again"));
  EXPECT_TRUE(window.Command1_1->isEnabled());
}

// Odd drops: a source that serves its data once (read at the drag's entry, gone at the drop), an
// empty one, one with no text, one with no local file. Nothing is opened, and the window goes on.
TEST_F(FileWindow, OddDropsOpenNothingAndLeaveTheWindowUsable) {
  const QByteArray uri = QUrl::fromLocalFile(QString::fromStdString(write("abc.txt", "abc"))).toEncoded() + "\r\n";
  const std::pair<const char*, QVariant> sources[] = {{"text/uri-list", uri}, {"text/uri-list", QByteArray()}, {"image/png", QByteArray("\x89PNG")},
                                                      {"text/uri-list", QByteArray("http://example.com/abc.txt\r\n")}, {"text/plain", QString()}};
  pick(2);
  for (const auto& [format, data] : sources) {
    for (QWidget* target : {static_cast<QWidget*>(&window), box()->viewport()}) {
      guitest::ServedOnce source(format, data);
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &source, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(target, &enter);
      QDropEvent dropped(QPoint(5, 5), Qt::CopyAction, &source, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(target, &dropped);
      EXPECT_EQ(shown(), "abc") << format;
    }
  }
  presshash();
  EXPECT_EQ(window.hash->text(), "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D");
}

// Of several files dropped the first is hashed, and the status line says how many were left out
// (cut in the middle, so that both its ends show); a small file's rounds show.
TEST_F(FileWindow, OfSeveralFilesDroppedTheFirstIsHashedAndTheOthersCounted) {
  drop(&window, {write("a file with a name long enough to cut the status line.txt", "abc"), write("b", "b"), write("c", "c")});
  ASSERT_TRUE(hashed());
  EXPECT_EQ(window.hash->text(), "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D");
  EXPECT_TRUE(window.status->toolTip().endsWith(".txt \u00B7 2 other files dropped with it left out")) << window.status->toolTip().toStdString();
  EXPECT_TRUE(window.status->text().startsWith("3 bytes: the file ") && window.status->text().endsWith("left out") &&
              window.status->text() != window.status->toolTip())
      << window.status->text().toStdString();
  shortcut(Qt::Key_F2, Qt::NoModifier);
  auto* rounds = window.findChild<dialogs::rounds*>();
  ASSERT_NE(rounds, nullptr);
  EXPECT_EQ(rounds->blocks->model()->rowCount({}), 1);
  EXPECT_TRUE(rounds->working->toPlainText().trimmed().endsWith("9CD0D89D")) << "the file's rounds";
}

// Escape during a file's hash: the digest of an earlier hash of it does not stay beside
// "Cancelled".
TEST_F(FileWindow, ACancelledHashLeavesNoDigest) {
  const std::string path = write("sparse.bin", "");
  std::filesystem::resize_file(path, std::uintmax_t{1} << 30);
  drop(&window, path);
  ASSERT_TRUE(hashed(60'000));
  QTimer::singleShot(0, [this] { QTest::keyClick(&window, Qt::Key_Escape); });  // at the request's first turn
  presshash();
  EXPECT_TRUE(waitfor([this] { return window.Command1_1->isEnabled(); }));
  EXPECT_EQ(window.status->toolTip(), "Cancelled: nothing more was written");
  EXPECT_EQ(window.hash->text(), "");
}

// sha1sum over a folder, pasted whole: the line for the file hashed is the one compared.
TEST_F(FileWindow, OfSeveralPastedLinesTheOpenFilesIsCompared) {
  drop(&window, write("abc.txt", "abc"));
  ASSERT_TRUE(hashed());
  window.exphash->selectAll();
  QApplication::clipboard()->setText("da39a3ee5e6b4b0d3255bfef95601890afd80709  empty.txt\na9993e364706816aba3e25717850c26c9cd0d89d  abc.txt\n");
  QTest::keyClick(window.exphash, Qt::Key_V, Qt::ControlModifier);
  EXPECT_TRUE(window.status->toolTip().startsWith("\u2713 Match \u00B7 3 bytes: the file ")) << window.status->toolTip().toStdString();
  EXPECT_TRUE(window.status->toolTip().endsWith(" \u00B7 Expected holds 2 digests: the one for abc.txt was compared")) << window.status->toolTip().toStdString();
}

// Past 4 GiB, where a 32-bit count of bytes or of bits would wrap: a sparse file of 2^32 + 3 zeros.
TEST_F(FileWindow, AFilePastFourGibibytesHashesRight) {
  const std::string path = write("sparse.bin", "");
  std::filesystem::resize_file(path, (std::uintmax_t{1} << 32) + 3);
  drop(&window, path);
  EXPECT_EQ(shown(), "file: sparse.bin \u00B7 4,294,967,299 bytes");
  EXPECT_TRUE(hashed(600'000));
  EXPECT_EQ(window.hash->text(), "C2A34E43 4EBC0E21 D10D44C2 C778B2DC 631C16DB");
}

}  // namespace
