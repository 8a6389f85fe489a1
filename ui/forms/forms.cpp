// SPDX-License-Identifier: MIT
#include "ui/forms/forms.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <cmath>
#include <exception>
#include <string>

#include "utilities/basicutilities.h"

namespace forms {
namespace {

constexpr double twipsperinch = 1440.0;
// Below this a caption is no longer readable; a smaller label is left to clip.
constexpr double smallestpoints = 6.0;

double logicaldpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

}  // namespace

void doevents() { QCoreApplication::processEvents(); }

void beep() { QApplication::beep(); }

int twipstopixels(int twips) { return static_cast<int>(std::lround(twips * logicaldpi() / twipsperinch)); }

QRect twipsrect(int left, int top, int width, int height) {
  return {twipstopixels(left), twipstopixels(top), twipstopixels(width), twipstopixels(height)};
}

int pixelstotwips(int pixels) { return static_cast<int>(std::lround(pixels * twipsperinch / logicaldpi())); }

void fitcaption(QLabel* label) {
  QFont font = label->font();
  const QRectF room = label->contentsRect();
  const auto fits = [&] {
    const QFontMetricsF metrics(font);
    return metrics.horizontalAdvance(label->text()) <= room.width() && metrics.height() <= room.height();
  };
  while (!fits() && font.pointSizeF() - 0.5 >= smallestpoints) font.setPointSizeF(font.pointSizeF() - 0.5);
  label->setFont(font);
}

void clickselects(QLabel* label, QAbstractButton* button) {
  // Clicks that begin and end on the label, as a button takes them.
  class Clicks : public QObject {
   public:
    Clicks(QLabel* parent, QAbstractButton* target) : QObject(parent), target_(target) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      const auto* label = static_cast<QLabel*>(watched);
      if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
          label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()) && target_->isEnabled()) {
        target_->setFocus(Qt::MouseFocusReason);
        target_->click();
      }
      return false;
    }

   private:
    QPointer<QAbstractButton> target_;
  };
  label->installEventFilter(new Clicks(label, button));
}

void errorboundary(const std::function<void()>& handler, const std::function<void()>& recover) {
  std::string problem;
  try {
    handler();
    return;
  } catch (const std::exception& error) {
    problem = error.what();
  } catch (...) {
    problem = "An unexpected error stopped the operation.";
  }
  // Recover first, so that the window is usable again while the alert is up.
  try {
    if (recover) recover();
    basicutilities::alertuser("Error", problem);
  } catch (...) {  // nothing may escape into the event loop, not even from the report
  }
}

}  // namespace forms
