// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "driving.h"
#include "ui/dialogs/selectfile.h"
#include "ui/forms/filelists.h"
#include "ui/forms/textbox.h"
#include "utilities/basicutilities.h"

namespace {

using guitest::waitfor;

class SelectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    basicutilities::initcontrolchars();  // the tester window's start-up fills crlf
    ASSERT_TRUE(folder.isValid());
    QDir root(folder.path());
    for (const char* name : {"a.rsp", "b.txt", "c d.rsp", ".hidden", "\xC3\xA9t\xC3\xA9.rsp"}) touch(root.filePath(QString::fromUtf8(name)));
    root.mkdir("sub");
    touch(root.filePath("sub/x.rsp"));
    dialog.dirlist->setpath(folder.path());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  static void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  }

  QListWidget* files() { return dialog.filelist->widget(); }
  QStringList names() {
    QStringList shown;
    for (int i = 0; i < files()->count(); ++i) shown << files()->item(i)->text();
    return shown;
  }
  QPoint at(const QString& name) {
    const auto found = files()->findItems(name, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << name.toStdString();
    return files()->visualItemRect(found.value(0)).center();
  }
  void click(const QString& name, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(files()->viewport(), Qt::LeftButton, modifiers, at(name));
  }
  // A double-click: QTest's own sends no first press, which item views need to see.
  static void doubleclickat(QWidget* viewport, QPoint place, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(viewport, Qt::LeftButton, modifiers, place);
    QTest::mouseRelease(viewport, Qt::LeftButton, modifiers, place);
    QTest::mouseDClick(viewport, Qt::LeftButton, modifiers, place);
  }
  void doubleclick(const QString& name, Qt::KeyboardModifiers modifiers = {}) { doubleclickat(files()->viewport(), at(name), modifiers); }
  void choosefolder(const QString& name) {
    QListWidget* folders = dialog.dirlist->widget();
    const auto found = folders->findItems(name, Qt::MatchEndsWith);
    ASSERT_FALSE(found.isEmpty()) << name.toStdString();
    doubleclickat(folders->viewport(), folders->visualItemRect(found.last()).center());
  }
  void typepattern(const QString& text) {
    dialog.filemask->setFocus();
    dialog.filemask->selectAll();
    QTest::keyClick(dialog.filemask, Qt::Key_Delete);
    guitest::typetext(dialog.filemask, text);
  }

  QTemporaryDir folder;
  dialogs::selectfile dialog;
};

TEST_F(SelectFile, ListsEveryFileAsItIsNamedAndTheFoldersOnTheWay) {
  EXPECT_EQ(names(), (QStringList{".hidden", "a.rsp", "b.txt", "c d.rsp", QString::fromUtf8("\xC3\xA9t\xC3\xA9.rsp")}));
  EXPECT_EQ(dialog.filemask->text(), "*") << "activating the dialog shows the list's pattern";
  EXPECT_EQ(dialog.filelist->path(), QDir(folder.path()).absolutePath());
  QListWidget* folders = dialog.dirlist->widget();
  EXPECT_EQ(folders->item(0)->text(), "/");
  EXPECT_TRUE(folders->item(folders->count() - 1)->text().endsWith("sub"));
  EXPECT_EQ(dialog.drivelist->widget()->itemText(0), "/") << "the root file system first";
}

TEST_F(SelectFile, DoubleClickCollectsTheSelectedNamesOnLinesAndCountsThem) {
  click("a.rsp");
  click("c d.rsp", Qt::ControlModifier);
  EXPECT_EQ(dialog.filename->text(), "") << "single clicks collect nothing";
  EXPECT_EQ(dialog.filecount->text(), "");
  doubleclick("b.txt", Qt::ShiftModifier);  // extends the selection to a.rsp .. c d.rsp
  EXPECT_EQ(dialog.filename->text(), "a.rsp\r\nb.txt\r\nc d.rsp");
  EXPECT_EQ(dialog.filecount->text(), "3");

  QTest::mouseClick(dialog.okbutton, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.filename->text(), "a.rsp\r\nb.txt\r\nc d.rsp") << "OK keeps what was collected";

  files()->clearSelection();
  dialog.filelist_DblClick();  // as a double-click with no entry selected
  EXPECT_EQ(dialog.filename->text(), "");
  EXPECT_EQ(dialog.filecount->text(), "0");
}

TEST_F(SelectFile, ChangingFolderEmptiesTheNamesButNotTheCount) {
  click("a.rsp");
  doubleclick("a.rsp");
  ASSERT_EQ(dialog.filename->text(), "a.rsp");
  choosefolder("sub");
  EXPECT_EQ(names(), QStringList{"x.rsp"});
  EXPECT_EQ(dialog.filename->text(), "");
  EXPECT_EQ(dialog.filecount->text(), "1");
  QTest::mouseClick(dialog.okbutton, Qt::LeftButton);
  EXPECT_EQ(dialog.filename->text(), "");
}

TEST_F(SelectFile, CancelEmptiesTheCollectedNames) {
  doubleclick("b.txt");
  ASSERT_EQ(dialog.filename->text(), "b.txt");
  QTest::mouseClick(dialog.cancelbutton, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.filename->text(), "");
  EXPECT_EQ(dialog.filecount->text(), "1");
}

TEST_F(SelectFile, TypingAPatternFiltersAtEachKeystroke) {
  typepattern("");
  EXPECT_EQ(names().size(), 5) << "an empty pattern filters nothing out";
  std::vector<qsizetype> counts;
  for (const char c : std::string("*txt")) {
    QTest::keyClicks(dialog.filemask, QString(c));
    counts.push_back(names().size());
  }
  EXPECT_EQ(counts, (std::vector<qsizetype>{5, 1, 0, 1}));  // *  *t  *tx  *txt
  EXPECT_EQ(dialog.filelist->pattern(), "*txt");
  typepattern("*.rsp;*.txt");
  EXPECT_EQ(names(), (QStringList{"a.rsp", "b.txt", "c d.rsp", QString::fromUtf8("\xC3\xA9t\xC3\xA9.rsp")}));
  typepattern("*.none");
  EXPECT_TRUE(names().isEmpty());
}

TEST_F(SelectFile, AFolderThatVanishedShowsAnEmptyListAndSaysSo) {
  ASSERT_TRUE(QDir(folder.path()).rmpath("sub") || QDir(folder.filePath("sub")).removeRecursively());
  choosefolder("sub");
  EXPECT_TRUE(names().isEmpty());
  EXPECT_TRUE(dialog.filelist->widget()->message().contains("no longer exists")) << dialog.filelist->widget()->message().toStdString();
  EXPECT_EQ(dialog.dirlist->widget()->message(), dialog.filelist->widget()->message());
  EXPECT_TRUE(dialog.isVisible());
}


}  // namespace
