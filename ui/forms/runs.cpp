// SPDX-License-Identifier: MIT
#include "ui/forms/runs.h"

#include "ui/forms/forms.h"

namespace forms {

Runs::Run Runs::begin() {
  clock_.start();
  return ++latest_;
}

bool Runs::yield(Run run) {
  doevents();
  return current(run);
}

}  // namespace forms
