// SPDX-License-Identifier: MIT
// The tester window's costly moments, on the offscreen platform: the hex display of entry 10,
// hex-mode hash requests over that box and over 10 MB, a hash request on the marker, a 1 MB
// single-line paste until its digest shows, and program start; and the longest the event loop
// waits (max_stall_ms) during a 100 MB paste, a key typed after a 10 MB paste, a hex request over
// 100 MB and a request on a 1 GiB file.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "ui/forms/combobox.h"
#include "ui/forms/optionbutton.h"
#include "ui/forms/textbox.h"
#include "ui/tester/main.h"

namespace {

constexpr const char* startupprobe = "--startup-probe";
const char* self = nullptr;

tester::main& window() {
  static tester::main* shown = [] {
    auto* w = new tester::main;
    w->show();
    if (!QTest::qWaitForWindowExposed(w)) std::fputs("gui_bench: the window was never exposed\n", stderr);
    return w;
  }();
  return *shown;
}

void BM_HexDisplayOfEntry10(benchmark::State& state) {
  auto& w = window();
  w.inputmode[1]->click();
  for (auto _ : state) {
    state.PauseTiming();
    w.Combo1->setlistindex(0);
    state.ResumeTiming();
    w.Combo1->setlistindex(10);
  }
  benchmark::DoNotOptimize(w.message->text().size());
}
BENCHMARK(BM_HexDisplayOfEntry10)->Unit(benchmark::kMillisecond);

void BM_HexHashRequestOverEntry10(benchmark::State& state) {
  auto& w = window();
  w.inputmode[1]->click();
  w.Combo1->setlistindex(10);
  for (auto _ : state) w.Command1_1->click();
}
BENCHMARK(BM_HexHashRequestOverEntry10)->Unit(benchmark::kMillisecond);

void BM_HexHashRequestOver10MB(benchmark::State& state) {
  auto& w = window();
  w.inputmode[1]->click();
  w.message->settext(QString("61 ").repeated(10'000'000 / 3));
  w.message->flush();  // shown before the clock starts
  for (auto _ : state) w.Command1_1->click();
  w.message->settext({});
}
BENCHMARK(BM_HexHashRequestOver10MB)->Unit(benchmark::kMillisecond);

// Ctrl+V of a million characters without a break, then Hash Message, until the digest shows.
void BM_PasteMegabyteLineUntilItsDigestShows(benchmark::State& state) {
  auto& w = window();
  w.inputmode[0]->click();
  QApplication::clipboard()->setText(QString(1'000'000, 'a'));
  QPlainTextEdit* box = w.message->widget();
  for (auto _ : state) {
    state.PauseTiming();
    w.message->settext({});
    w.message->flush();
    box->setFocus();
    state.ResumeTiming();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(w.Command1_1, Qt::LeftButton);
    if (w.hash->text().isEmpty()) state.SkipWithError("no digest");
  }
}
BENCHMARK(BM_PasteMegabyteLineUntilItsDigestShows)->Unit(benchmark::kMillisecond);

void BM_HashRequestOnTheMarker(benchmark::State& state) {
  auto& w = window();
  w.Combo1->setlistindex(11);
  for (auto _ : state) w.Command1_1->click();
}
BENCHMARK(BM_HashRequestOnTheMarker)->Unit(benchmark::kMillisecond);

// The longest the event loop went without a turn from start() until done(): the largest gap
// between the turns of a zero-interval timer, which runs in the window's own yields too.
double maxstallms(const std::function<void()>& start, const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, worst = 0;
  QTimer turn;
  QObject::connect(&turn, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    worst = std::max(worst, now - last);
    last = now;
  });
  turn.start(0);
  QTimer::singleShot(0, start);
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  worst = std::max(worst, clock.nsecsElapsed() - last);
  return static_cast<double>(worst) / 1e6;
}

// Runs start until done for each iteration, after setup; reports the longest stall seen.
void measurestall(benchmark::State& state, const std::function<void()>& setup, const std::function<void()>& start,
                  const std::function<bool()>& done) {
  double worst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    setup();
    state.ResumeTiming();
    worst = std::max(worst, maxstallms(start, done));
  }
  state.counters["max_stall_ms"] = worst;
}

void paste(const QString& text) {
  auto& w = window();
  QApplication::clipboard()->setText(text);
  w.message->settext({});
  w.message->flush();
  w.message->widget()->setFocus();
  QTest::keyClick(w.message->widget(), Qt::Key_V, Qt::ControlModifier);
}

bool digestshown() { return !window().hash->text().isEmpty() && window().Command1_1->isEnabled(); }

// Ctrl+V of 100 MB of hex pairs, until the box shows what it holds.
void BM_Paste100MB(benchmark::State& state) {
  auto& w = window();
  const QString text = QString("61 ").repeated(100'000'000 / 3);
  measurestall(
      state,
      [&] {
        QApplication::clipboard()->setText(text);
        w.message->settext({});
        w.message->flush();
        w.message->widget()->setFocus();
      },
      [&] { QTest::keyClick(w.message->widget(), Qt::Key_V, Qt::ControlModifier); },
      [&] { return !w.message->text().isEmpty(); });
  QApplication::clipboard()->clear();
}
BENCHMARK(BM_Paste100MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A key typed into the box after a 10 MB paste, until the box has it.
void BM_KeyInto10MBBox(benchmark::State& state) {
  auto& w = window();
  const QString text = QString("61 ").repeated(10'000'000 / 3);
  QString before;
  measurestall(
      state,
      [&] {
        paste(text);
        QCoreApplication::processEvents();
        before = w.message->text();
      },
      [&] { QTest::keyClick(w.message->widget(), Qt::Key_X); },
      [&] { return w.message->text() != before; });
  QApplication::clipboard()->clear();
}
BENCHMARK(BM_KeyInto10MBBox)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Hash Message in hex mode over 100 MB of pasted hex pairs, until the digest shows.
void BM_HexRequestOver100MB(benchmark::State& state) {
  auto& w = window();
  w.inputmode[1]->click();
  paste(QString("61 ").repeated(100'000'000 / 3));
  measurestall(
      state, [&] { w.hash->clear(); }, [&] { w.Command1_1->click(); }, digestshown);
  w.message->settext({});
  QApplication::clipboard()->clear();
}
BENCHMARK(BM_HexRequestOver100MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Hash Message on a 1 GiB file (sparse: the disk is not what is measured), until the digest shows.
void BM_FileRequest1GiB(benchmark::State& state) {
  auto& w = window();
  QTemporaryDir folder;
  const QString path = folder.path() + "/gibibyte";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64{1} << 30)) return state.SkipWithError("cannot make the file");
  file.close();
  w.openfile(path);
  measurestall(
      state, [&] { w.hash->clear(); }, [&] { w.Command1_1->click(); }, digestshown);
}
BENCHMARK(BM_FileRequest1GiB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A whole program start: a new process that loads Qt, builds the window, and exits once the
// window is exposed.
void BM_ProgramStartToWindowShown(benchmark::State& state) {
  for (auto _ : state) {
    QProcess probe;
    probe.start(QString::fromLocal8Bit(self), {startupprobe});
    if (!probe.waitForFinished(10'000) || probe.exitCode() != 0) state.SkipWithError("the start-up probe failed");
  }
}
BENCHMARK(BM_ProgramStartToWindowShown)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  self = argv[0];
  QApplication application(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], startupprobe) == 0) {
    tester::main w;
    w.show();
    return QTest::qWaitForWindowExposed(&w) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
