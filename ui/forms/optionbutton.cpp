// SPDX-License-Identifier: MIT
#include "ui/forms/optionbutton.h"

namespace forms {

OptionButton::OptionButton(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {
  // toggled(false) reaches the button left behind; only the newly selected one has a Click.
  connect(this, &QRadioButton::toggled, this, [this](bool checked) {
    if (checked && onclick) onclick();
  });
}

QRadioButton* hiddenflag(QWidget* parent) {
  auto* flag = new QRadioButton(parent);
  flag->setAutoExclusive(false);  // a lone exclusive button refuses to be unchecked
  flag->setChecked(false);
  flag->setFocusPolicy(Qt::NoFocus);
  flag->hide();
  return flag;
}

}  // namespace forms
