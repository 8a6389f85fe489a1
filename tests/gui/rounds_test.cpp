// SPDX-License-Identifier: MIT
// The Rounds window: the working of what the Hash box shows the digest of, and nothing once that
// digest is gone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <QTimer>

#include "testerwindow.h"
#include "ui/dialogs/rounds.h"

namespace {

using guitest::TesterWindow;
using guitest::waitfor;

class RoundsWindow : public TesterWindow {
 protected:
  dialogs::rounds* rounds() { return window.findChild<dialogs::rounds*>(); }
  int blocks() { return rounds()->blocks->model()->rowCount({}); }
  QString working() { return rounds()->working->toPlainText(); }
  void chooseblock(int row) {
    QListView* list = rounds()->blocks;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
  }
};

TEST_F(RoundsWindow, ShowsTheWorkingOfWhatWasHashedAndGoesWithItsDigest) {
  shortcut(Qt::Key_F2, Qt::NoModifier);
  ASSERT_NE(rounds(), nullptr);
  EXPECT_TRUE(rounds()->isVisible());
  EXPECT_EQ(blocks(), 0);
  EXPECT_TRUE(working().startsWith("No digest")) << working().toStdString();
  EXPECT_EQ(rounds()->working->horizontalScrollBar()->maximum(), 0) << "the sentence is cut at the edge, not wrapped";

  pick(2);  // "abc": the last of NIST's published rounds
  presshash();
  EXPECT_EQ(blocks(), 1);
  EXPECT_TRUE(working().contains("t=79: 42541B35 5738D5E1 21834873 681E6DF6 D8FDF6AD")) << working().toStdString();
  // Each letter of the header stands over the first digit of its column.
  const QStringList lines = working().split('\n');
  const auto header = std::find_if(lines.begin(), lines.end(), [](const QString& line) { return line.trimmed().startsWith("A "); });
  ASSERT_NE(header, lines.end());
  const QString& round = *(header + 1);
  for (int word = 0; word < 5; ++word) EXPECT_EQ(header->indexOf(QChar(u'A' + word)), 6 + 9 * word) << round.toStdString();
  EXPECT_TRUE(round.startsWith("t= 0: ")) << round.toStdString();

  // An edit clears the digest, and its rounds go with it.
  type("d");
  EXPECT_EQ(blocks(), 0);

  // Two blocks; the second's sums are the digest the Hash box shows.
  replacemessage(QString(60, 'x'));
  presshash();
  ASSERT_EQ(blocks(), 2);
  chooseblock(1);
  EXPECT_TRUE(working().contains("H[4] = ") && working().trimmed().endsWith(" = " + window.hash->text().right(8))) << working().toStdString();

  // The Hash box's menu opens the window too.
  rounds()->close();
  EXPECT_TRUE(menuchoice(window.hash, "Rounds"));
  EXPECT_TRUE(waitfor([this] { return rounds()->isVisible(); }));
  EXPECT_EQ(blocks(), 2);
  expectconsistent();
}

}  // namespace
