// SPDX-License-Identifier: MIT
// Where the tester window stands and how big it is: it keeps the size it was first shown at (every
// resize is undone, a maximised window returns to normal, a minimised one is left alone), and a
// maximise undone does not move it from where the user left it.
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "ui/forms/form.h"

namespace tester {

class Placement {
 public:
  explicit Placement(forms::Form<QWidget>& window);

  // Each size change runs this again, nested, until the window has the recorded size.
  void resized();
  // Records where the window stands, when the user put it there.
  void moved();
  // Back to where the user left the window, once a maximise has been undone.
  void returntoplace();
  // Fires a while after a maximise or resize was undone: then the window goes back to its place.
  QTimer* settled() { return &settle_; }

 private:
  forms::Form<QWidget>& window_;
  // The size the window was first shown at, in twips; 0 until then.
  std::int32_t lockheight_ = 0;
  std::int32_t lockwidth_ = 0;
  // Where the window last stood at its own size by the user's doing: a maximise must not move it.
  std::optional<QPoint> normalplace_;
  // Since a maximise or resize was last undone.
  QElapsedTimer undoing_;
  QTimer settle_;
};

}  // namespace tester
