// SPDX-License-Identifier: MIT
// Option buttons as the form runtime has them, on QRadioButton.
#pragma once

#include <QRadioButton>
#include <functional>

namespace forms {

// An option button with the Click rule: onclick runs whenever the button becomes the selected one
// of its group, by the user or from code (setChecked(true)), inside that change. Clicking or
// setting the selected button again runs nothing.
class OptionButton : public QRadioButton {
 public:
  OptionButton(const QString& caption, QWidget* parent);

  std::function<void()> onclick;
};

// A hidden option button that is nothing but a true/false value a dialog keeps, for example the
// answer the user gave: it may be set and cleared from code, and never takes focus.
QRadioButton* hiddenflag(QWidget* parent);

}  // namespace forms
