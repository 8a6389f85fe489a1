// The tester window: pick a vector, see its message as text or hex bytes and its expected digest,
// press "Hash Message" and compare.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace forms {
class ComboBox;
class TextBox;
}  // namespace forms

namespace tester {

class main : public QWidget {
 public:
  main();

  // Handlers, by the names of the control and the event.
  void Form_Load();
  void Form_Resize();
  void Combo1_Click();
  void inputmode_Click(int index);
  void message_Change();
  void Command1_Click(int index);

  // The window's size in twips (its client area) and its state: 0 normal, 1 minimised,
  // 2 maximised.
  int Height() const;
  int Width() const;
  void setHeight(int twips);
  void setWidth(int twips);
  int WindowState() const;
  void setWindowState(int state);
  using QWidget::setWindowState;

  // Controls, by their names; arrays by index (Command1 has only element 1).
  std::array<QRadioButton*, 2> inputmode;
  QLineEdit* hash;
  QLineEdit* exphash;
  forms::TextBox* message;
  forms::ComboBox* Combo1;
  QPushButton* Command1_1;
  std::array<QLabel*, 5> Label1;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void locksize();
  void buttonready();
  bool textmode() const;

  // The size the window was first shown at, in twips; 0 until then.
  std::int32_t lockheight_ = 0;
  std::int32_t lockwidth_ = 0;
};

}  // namespace tester
