// SPDX-License-Identifier: MIT
// The tester window's costly moments, on the offscreen platform: the hex display of entry 10,
// hex-mode hash requests over that box and over 10 MB, a hash request on the marker, a 1 MB
// single-line paste until its digest shows, and program start.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <cstdio>
#include <cstring>
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
