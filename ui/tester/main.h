// The tester window: pick a vector, see its message as text or hex bytes and its expected digest,
// press "Hash Message" and compare.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "ui/forms/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace forms {
class ComboBox;
class OptionButton;
class TextBox;
}  // namespace forms

namespace tester {

class main : public forms::Form<QWidget> {
 public:
  main();

  // Caption with the version, catalogue entry 0 selected, control characters filled.
  void Form_Load() override;
  // Holds the window at the size it was first shown at.
  void Form_Resize() override;
  // Shows the selected entry's message (as text, or as hex pairs filled in one by one) and its
  // expected digest; clears the computed one.
  void Combo1_Click();
  // Shows the selected entry again in the newly chosen mode (0 text, 1 hex).
  void inputmode_Click(int index);
  // Any change of the message box's text clears both digests.
  void message_Change();
  // Hashes the box's message as the mode reads it and shows its digest under "Hash".
  void Command1_Click(int index);

  // Controls, by their names; arrays by index (Command1 has only element 1).
  std::array<forms::OptionButton*, 2> inputmode;
  QLineEdit* hash;
  QLineEdit* exphash;
  forms::TextBox* message;
  forms::ComboBox* Combo1;
  QPushButton* Command1_1;
  std::array<QLabel*, 5> Label1;

 protected:
  // An error cut a handler short: the button is usable again.
  void recover() override;

 private:
  void buttonready();
  bool textmode() const;

  // The size the window was first shown at, in twips; 0 until then.
  std::int32_t lockheight_ = 0;
  std::int32_t lockwidth_ = 0;
};

}  // namespace tester
