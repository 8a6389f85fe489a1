// SPDX-License-Identifier: MIT
#include "ui/dialogs/alert.h"

#include <QFont>
#include <QIcon>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextOption>

#include "ui/forms/forms.h"
#include "ui/forms/optionbutton.h"

namespace dialogs {

alert::alert() {
  setWindowIcon(QIcon(":/icons/alert.svg"));
  setFixedSize(forms::twipstopixels(3915), forms::twipstopixels(2160));
  setModal(true);

  // Created first, so that the OK button, whose rectangle holds it, is drawn over it.
  respond = forms::hiddenflag(this);
  respond->setGeometry(forms::twipsrect(360, 1800, 255, 195));

  message = new QPlainTextEdit(this);
  message->setGeometry(forms::twipsrect(120, 60, 3675, 1575));
  message->setReadOnly(true);
  message->setAccessibleName("Message");
  message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QTextOption centred = message->document()->defaultTextOption();
  centred.setAlignment(Qt::AlignHCenter);
  message->document()->setDefaultTextOption(centred);
  QPalette palette = message->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  message->setPalette(palette);
  QFont font("MS Sans Serif");
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Bold);
  message->setFont(font);

  Command1[0] = new QPushButton("OK", this);
  Command1[0]->setGeometry(forms::twipsrect(60, 1740, 975, 345));
  Command1[1] = new QPushButton("Cancel", this);
  Command1[1]->setGeometry(forms::twipsrect(2880, 1740, 975, 345));
  // Enter answers OK; Escape (QDialog's reject) and the close box answer Cancel.
  Command1[0]->setDefault(true);
  Command1[0]->setFocus();
  connect(Command1[0], &QPushButton::clicked, this, handler([this] { Command1_Click(0); }));
  connect(Command1[1], &QPushButton::clicked, this, handler([this] { Command1_Click(1); }));
  setTabOrder(Command1[0], Command1[1]);
  setTabOrder(Command1[1], message);
}

void alert::Command1_Click(int index) {
  if (index == 0) respond->setChecked(true);
  if (index == 1) respond->setChecked(false);
  hide();
}

bool alertuser(const std::string& title, const std::string& text) {
  alert window;
  forms::beep();
  // An empty caption would show the program's name instead; a blank shows nothing.
  window.setWindowTitle(title.empty() ? QStringLiteral(" ") : QString::fromStdString(title));
  window.message->setPlainText(QString::fromStdString(text));
  window.exec();
  return window.respond->isChecked();
}

}  // namespace dialogs
