// SPDX-License-Identifier: MIT
#include "ui/forms/combobox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace forms {

ComboBox::ComboBox(QWidget* parent) : QObject(parent), widget_(new QComboBox(parent)) {
  widget_->setEditable(true);
  widget_->setInsertPolicy(QComboBox::NoInsert);  // typed text never becomes an entry
  QObject::connect(widget_, &QComboBox::currentIndexChanged, this, [this](int index) {
    const bool fromcode = requestedbycode_ == index;
    requestedbycode_.reset();
    // A user's change is followed by "activated" for the same pick; that one must not run twice.
    if (!fromcode) ++userchangespending_;
    if (onclick) onclick();
  });
  // Typed text that did not select an entry goes when the field is left: it must not stand beside
  // boxes that show the selected one.
  QObject::connect(widget_->lineEdit(), &QLineEdit::editingFinished, this, [this] {
    const QString selected = widget_->itemText(widget_->currentIndex());
    if (widget_->currentText() != selected) widget_->setEditText(selected);
  });
  QObject::connect(widget_, &QComboBox::activated, this, [this](int) {
    if (userchangespending_ > 0) {
      --userchangespending_;
      return;
    }
    if (onclick) onclick();  // the user picked the entry that was already selected
  });
}

void ComboBox::additem(const QString& text) {
  // Qt selects the first item added; a form's list starts with no selection, so that selecting
  // entry 0 is a change like any other.
  const QSignalBlocker quiet(widget_);
  widget_->addItem(text);
  widget_->setCurrentIndex(-1);
}

int ComboBox::listindex() const { return widget_->currentIndex(); }

void ComboBox::setlistindex(int index) {
  requestedbycode_ = index;
  widget_->setCurrentIndex(index);
  requestedbycode_.reset();
}

}  // namespace forms
