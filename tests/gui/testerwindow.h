// SPDX-License-Identifier: MIT
// The tester window under test, driven as a user would drive it, and what a user must always see
// once it settles: digests that belong to the box as it stands.
#pragma once

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "digest/sha1trace.h"
#include "driving.h"
#include "input/digestforms.h"
#include "input/messagebytes.h"
#include "ui/forms/ansi.h"
#include "ui/forms/combobox.h"
#include "ui/forms/optionbutton.h"
#include "ui/dialogs/rounds.h"
#include "ui/forms/textbox.h"
#include "ui/tester/main.h"

namespace guitest {

inline QString hexform(const std::string& message) {
  QString text;
  for (const char c : message) text += QString::asprintf("%02X ", static_cast<unsigned char>(c));
  return text;
}

// OpenSSL's digest of bytes, in the window's form: five groups of eight upper-case digits.
inline QString peerdigest(const std::string& bytes) {
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  QString text;
  for (int i = 0; i < SHA_DIGEST_LENGTH; ++i) text += QString::asprintf(i % 4 == 0 && i > 0 ? " %02X" : "%02X", digest[i]);
  return text;
}

// The bytes a box means: the marker's million "a"; otherwise as the mode reads it (none when a
// character has no byte in text mode).
inline std::optional<std::string> meaning(const QString& box, bool textmode) {
  if (box == QString::fromStdString(std::string(catalogue::millionmarker))) return std::string(catalogue::millionlength, 'a');
  if (!textmode) return input::readhex(forms::utf16(box))->bytes;
  input::Encoded encoded = input::towindows1252(forms::utf16(box));
  if (encoded.unmappable) return std::nullopt;
  return std::move(encoded.bytes);
}

class TesterWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  QComboBox* combo() { return window.Combo1->widget(); }
  QPlainTextEdit* box() { return window.message->widget(); }
  bool textmode() { return window.inputmode[0]->isChecked(); }

  // Picks an entry from the drop-down list with the mouse.
  void pick(int index) {
    combo()->showPopup();
    QAbstractItemView* list = combo()->view();
    ASSERT_TRUE(waitfor([list] { return list->isVisible(); }));
    const QModelIndex entry = list->model()->index(index, 0);
    list->scrollTo(entry);
    const QRect item = list->visualRect(entry);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
  }
  void choosemode(int index) { QTest::mouseClick(window.inputmode[static_cast<std::size_t>(index)], Qt::LeftButton); }
  void presshash() { QTest::mouseClick(window.Command1_1, Qt::LeftButton); }
  // The window's shortcuts work in the active window only, and the list's popup takes that away.
  void activate() {
    window.activateWindow();
    ASSERT_TRUE(waitfor([this] { return window.isActiveWindow(); }));
  }
  void shortcut(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    activate();
    QTest::keyClick(&window, key, modifiers);
  }
  void type(const QString& text) {
    box()->setFocus();
    QTest::keyClick(box(), Qt::Key_End, Qt::ControlModifier);
    typetext(box(), text);
  }
  void replacemessage(const QString& text) {
    box()->setFocus();
    QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box(), Qt::Key_Delete);
    typetext(box(), text);
  }
  // What the message box shows (every character as it stands, lines ended by "\n"), once the
  // widget has caught up with the text.
  QString shown() {
    const auto widgettext = [this] {
      QString text = box()->document()->toRawText();
      return text.replace(QChar::ParagraphSeparator, u'\n');
    };
    waitfor([&] { return widgettext() == window.message->text(); });
    return widgettext();
  }
  // Drops the files at paths on widget as a file manager would; the box's marker for the first then
  // means its content (for files of up to 64 MiB).
  void drop(QWidget* widget, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& each : paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(each)));
    data.setUrls(urls);
    const std::string& path = paths.front();
    data.setText(QString::fromStdString(path));  // file managers offer the name as text too
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &dropped);
    // Only what the random user drops is read back; a test of gibibytes checks its digest itself.
    std::error_code error;
    if (std::filesystem::is_regular_file(path) && std::filesystem::file_size(path, error) <= (std::uintmax_t{64} << 20)) {
      std::ifstream in(path, std::ios::binary);
      files[window.message->text()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  // Opens widget's context menu as a right click does and chooses the item whose text starts so;
  // false when it is missing or disabled.
  bool menuchoice(QWidget* widget, const QString& item) {
    bool chosen = false;
    QTimer::singleShot(0, [&] {
      waitfor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; });
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* action : menu->actions()) {
        if (!chosen && action->text().startsWith(item) && action->isEnabled()) {
          action->trigger();
          chosen = true;
        }
      }
      menu->close();
    });
    const QPoint at = widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    waitfor([&] { return QApplication::activePopupWidget() == nullptr; });
    return chosen;
  }
  void drop(QWidget* widget, const std::string& path) { drop(widget, std::vector{path}); }
  // Waits for a digest in the Hash box, as after a file is opened; false when none came in time.
  bool hashed(int timeoutms = 5000) {
    return waitfor([this] { return !window.hash->text().isEmpty(); }, timeoutms);
  }
  void expectidle() {
    EXPECT_TRUE(window.Command1_1->isEnabled());
    EXPECT_EQ(window.Command1_1->text(), "Hash Message");
  }

  // The button is ready; `hash` is empty or the digest of the box in the current mode; `exphash`
  // is empty or the selected entry's digest while the box shows that entry.
  void expectconsistent() {
    expectidle();
    const QString text = window.message->text();
    // The Rounds window, when open, shows the blocks of what the Hash box has the digest of.
    auto* rounds = window.findChild<dialogs::rounds*>();
    const int blocks = rounds != nullptr && rounds->isVisible() ? rounds->blocks->model()->rowCount({}) : -1;
    if (!window.hash->text().isEmpty()) {
      const auto file = files.find(text);
      const auto held = heldtexts.find(text);
      const auto bytes = file != files.end() ? std::optional(file->second) : meaning(held != heldtexts.end() ? held->second : text, textmode());
      ASSERT_TRUE(bytes) << "a digest for a box without bytes";
      EXPECT_EQ(window.hash->text(), peerdigest(*bytes)) << "box " << text.left(60).toStdString() << ", mode " << textmode();
      if (blocks >= 0 && file == files.end()) {
        EXPECT_EQ(static_cast<std::uint64_t>(blocks), basicutilities::sha1blockcount(bytes->size()));
        if (blocks == 1) {
          EXPECT_TRUE(rounds->working->toPlainText().trimmed().endsWith(window.hash->text().right(8))) << "rounds of another message";
        }
      }
    } else if (blocks >= 0) {
      EXPECT_EQ(blocks, 0) << "rounds without a digest";
    }
    // A verdict on the status line is the verdict on the two boxes as they stand.
    const QString status = window.status->toolTip();
    if (status.startsWith(u'\u2713') || status.startsWith(u'\u2717')) {
      const auto digest = [](const QLineEdit* box) { return input::readdigest(forms::utf16(box->text())).digest; };
      ASSERT_TRUE(digest(window.hash) && digest(window.exphash)) << status.toStdString();
      EXPECT_EQ(status.startsWith(u'\u2713'), digest(window.hash) == digest(window.exphash)) << status.toStdString();
    }
    if (!window.exphash->text().isEmpty()) {
      const int index = combo()->currentIndex();
      ASSERT_GT(index, catalogue::promptentry);
      const auto& entry = catalogue::entry(index);
      EXPECT_EQ(window.exphash->text().toStdString(), entry.expected);
      const bool marker = entry.message == catalogue::millionmarker;
      EXPECT_EQ(text, textmode() || marker ? forms::fromansi(entry.message) : hexform(entry.message))
          << "the expected digest of entry " << index << " beside another message";
    }
  }

  tester::main window;
  std::map<QString, std::string> files;  // the markers of files dropped, and what each file holds
  std::map<QString, QString> heldtexts;   // the markers of pastes held back, and the text of the latest
};

}  // namespace guitest
