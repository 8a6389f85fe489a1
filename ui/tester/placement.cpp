// SPDX-License-Identifier: MIT
#include "ui/tester/placement.h"

namespace tester {
namespace {

// How long after undoing a maximise the window goes back to its place, whatever the window
// manager did meanwhile; moves until twice this long are not the user's.
constexpr int settlems = 250;

}  // namespace

Placement::Placement(forms::Form<QWidget>& window) : window_(window) {
  settle_.setSingleShot(true);
  settle_.setInterval(settlems);
}

void Placement::resized() {
  if (lockwidth_ == 0 || lockheight_ == 0) {
    lockheight_ = window_.Height();
    lockwidth_ = window_.Width();
    return;
  }
  if (window_.WindowState() == 1) return;
  if (window_.WindowState() == 2 || window_.Height() != lockheight_ || window_.Width() != lockwidth_) {
    // A window manager's maximise and our undoing of it cross: for a while, the moves are theirs,
    // not the user's, and the last of them may leave the window at the screen's corner.
    undoing_.start();
    settle_.start();
  }
  if (window_.WindowState() == 2) {
    window_.setWindowState(0);
    return;
  }
  window_.setHeight(lockheight_);
  window_.setWidth(lockwidth_);
  // Back from maximised, the platform may have put the window at the screen's edge.
  returntoplace();
}

void Placement::moved() {
  const bool settled = !undoing_.isValid() || undoing_.elapsed() > 2 * settlems;
  if (settled && lockwidth_ != 0 && window_.WindowState() == 0 && window_.Height() == lockheight_ && window_.Width() == lockwidth_) {
    normalplace_ = window_.pos();
  }
}

void Placement::returntoplace() {
  if (normalplace_ && window_.WindowState() == 0 && window_.pos() != *normalplace_) window_.move(*normalplace_);
}

}  // namespace tester
