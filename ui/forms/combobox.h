// SPDX-License-Identifier: MIT
// A drop-down combo box whose text field accepts typing, with the form runtime's Click rule on a
// QComboBox: onclick runs at once whenever the selection changes, by code (inside setlistindex)
// or by the user, and when the user picks the entry that is already selected. Selecting the
// selected entry from code runs nothing. Typing in the text field runs nothing; text typed there
// that did not select an entry is put back to the selected entry's when the field is left.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class QComboBox;
class QWidget;

namespace forms {

class ComboBox : public QObject {
 public:
  explicit ComboBox(QWidget* parent);

  void additem(const QString& text);
  int listindex() const;  // -1 for no selection
  void setlistindex(int index);

  std::function<void()> onclick;

  QComboBox* widget() const { return widget_; }

 private:
  QComboBox* widget_;
  std::optional<int> requestedbycode_;  // the index setlistindex is selecting, until its change arrives
  int userchangespending_ = 0;  // user changes whose "activated" has not arrived yet
};

}  // namespace forms
