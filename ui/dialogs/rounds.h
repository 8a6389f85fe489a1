// SPDX-License-Identifier: MIT
// The rounds of the last hashed message: its blocks in a list and, for the chosen one, SHA-1's
// working in the layout of NIST's worked example (words, schedule, a b c d e after every round,
// chaining values). Read-only; the window tells it what to show.
#pragma once

#include <memory>
#include <string>

#include <QString>

#include "ui/forms/form.h"

class QLabel;
class QListView;
class QPlainTextEdit;

namespace dialogs {

class BlockList;

class rounds : public forms::Dialog {
 public:
  rounds();
  ~rounds() override;

  // The blocks of message, the first chosen; without one, no blocks and why in their place.
  void showmessage(std::shared_ptr<const std::string> message, const QString& why = {});
  // The chosen block's working into the box.
  void blocks_Click();
  // Beside window (right, else left) where the screen has room for it; else where it is.
  void placebeside(const QWidget& window);

  QListView* blocks;
  QPlainTextEdit* working;
  QLabel* Label1;

 private:
  BlockList* list_;
  std::shared_ptr<const std::string> message_;
};

}  // namespace dialogs
