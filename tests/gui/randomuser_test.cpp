// SPDX-License-Identifier: MIT
// A user who does anything at any moment, many of the actions landing while a run yields. After
// each burst of actions settles, what the window shows must belong together. The run prints its
// seed; SHA1TESTER_SEED repeats it, SHA1TESTER_ACTIONS sets the number of actions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>

#include "testerwindow.h"

namespace {

using guitest::AlertAnswerer;
using guitest::TesterWindow;

class RandomUser : public TesterWindow {
 protected:
  int chance(int outcomes) { return static_cast<int>(random_() % static_cast<unsigned>(outcomes)); }

  QString piece() {
    static const QString pieces[] = {"a", "61 ", "F", QString(QChar(0xA0)), QString(QChar(0x4E2D)), "\n", " ", "0x7"};
    return pieces[chance(std::size(pieces))];
  }

  void act() {
    switch (chance(9)) {
      case 0: QTest::keyClick(combo(), chance(3) == 0 ? Qt::Key_Up : Qt::Key_Down); break;
      case 1: choosemode(chance(2)); break;
      case 2: presshash(); break;
      case 3: QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier); break;
      case 4: type(piece()); break;
      case 5: replacemessage(chance(3) == 0 ? QString() : piece()); break;
      case 6:
        if (chance(20) == 0) {
          // Too big to show: the whole box becomes the paste, held back.
          const QString big = piece().repeated(4'200'000 + chance(1000));
          QApplication::clipboard()->setText(big);
          replacemessage({});
          QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
          heldtexts[window.message->text()] = big;
          break;
        }
        QApplication::clipboard()->setText(piece().repeated(chance(4000)) + (chance(2) == 0 ? QString(chance(8000), 'a') : QString()));
        box()->setFocus();
        QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
        break;
      case 7:
        if (chance(2) == 0) {
          window.resize(200 + chance(600), 200 + chance(400));
        } else {
          drop(chance(2) == 0 ? static_cast<QWidget*>(&window) : box()->viewport(), filepaths_[static_cast<std::size_t>(chance(2))]);
        }
        break;
      default:
        if (chance(2) == 0) {
          window.showMaximized();
        } else {
          window.showMinimized();
        }
        window.showNormal();
        break;
    }
  }

  void SetUp() override {
    TesterWindow::SetUp();
    // The Rounds window open throughout, beside the window the user works in.
    shortcut(Qt::Key_F2, Qt::NoModifier);
    activate();
    // A small file, and one that takes many yields to hash.
    for (const auto& [name, content] : {std::pair{"small", std::string("abc")}, {"big", std::string(32 << 20, 'b')}}) {
      filepaths_.push_back((folder_.path() + "/" + name).toStdString());
      std::ofstream(filepaths_.back(), std::ios::binary) << content;
    }
  }

  std::mt19937 random_;
  QTemporaryDir folder_;
  std::vector<std::string> filepaths_;
};

TEST_F(RandomUser, OnlyEverSeesDigestsThatBelongToTheBox) {
  const unsigned seed = qEnvironmentVariableIsSet("SHA1TESTER_SEED") ? qEnvironmentVariable("SHA1TESTER_SEED").toUInt() : std::random_device{}();
  const int actions = qEnvironmentVariableIsSet("SHA1TESTER_ACTIONS") ? qEnvironmentVariableIntValue("SHA1TESTER_ACTIONS") : 1'000;
  std::cout << "random user: SHA1TESTER_SEED=" << seed << ", " << actions << " actions\n";
  random_.seed(seed);
  std::vector<AlertAnswerer::Answer> answers(static_cast<std::size_t>(actions));
  for (auto& answer : answers) answer = static_cast<AlertAnswerer::Answer>(chance(5));
  AlertAnswerer answerer(answers);

  int pending = 0;
  for (int done = 0; done < actions;) {
    // One action now; the rest of the burst lands while whatever it started is yielding.
    const int burst = 1 + chance(4);
    for (int i = 1; i < burst; ++i) {
      ++pending;
      QTimer::singleShot(chance(3), [&] {
        act();
        --pending;
      });
    }
    act();
    done += burst;
    ASSERT_TRUE(guitest::waitfor([&] { return pending == 0; }));
    expectconsistent();
    ASSERT_FALSE(HasFailure()) << "after " << done << " actions, SHA1TESTER_SEED=" << seed;
  }
}

}  // namespace
