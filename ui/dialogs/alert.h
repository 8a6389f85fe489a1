// SPDX-License-Identifier: MIT
// The alert dialog: a modal window with a title, a message, "OK" and "Cancel".
#pragma once

#include <array>
#include <string>

#include "ui/forms/form.h"

class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace dialogs {

class alert : public forms::Dialog {
 public:
  alert();

  // The button array: 0 is "OK", 1 is "Cancel". Records the answer in respond and hides the dialog.
  void Command1_Click(int index);

  QPlainTextEdit* message;
  std::array<QPushButton*, 2> Command1;
  QRadioButton* respond;  // holds the reply; never shown
};

// Beeps, shows title and message modally and returns true when the user chose "OK"; "Cancel",
// Escape or closing the window give false. Every call starts from a fresh dialog, so no reply
// carries over. Installed as the handler of basicutilities::alertuser at start-up.
bool alertuser(const std::string& title, const std::string& message);

}  // namespace dialogs
