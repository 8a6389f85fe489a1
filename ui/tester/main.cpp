#include "ui/tester/main.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <string>
#include <utility>

#include "catalogue/catalogue.h"
#include "digest/sha1digest.h"
#include "ui/dialogs/alert.h"
#include "ui/forms/ansi.h"
#include "ui/forms/combobox.h"
#include "ui/forms/forms.h"
#include "ui/forms/optionbutton.h"
#include "ui/forms/textbox.h"
#include "utilities/basicutilities.h"

namespace tester {
namespace {

const QString waitcaption = "Wait...";
const QString readycaption = "Hash Message";
// A hex-mode request hands the pump a turn at least this often.
constexpr qint64 yieldintervalms = 15;

// "Fixedsys" where the system has it, else the system's fixed-pitch font, at 9 point.
QFont boxfont() {
  QFont font("Fixedsys");
  if (!QFontInfo(font).exactMatch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(9);
  return font;
}

bool ishexdigit(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

}  // namespace

main::main() {
  setWindowTitle("SHA1 Hash Function Tester");
  setWindowIcon(QIcon(":/icons/sha1tester.svg"));
  resize(forms::twipstopixels(6675), forms::twipstopixels(4545));
  const QFont fixed = boxfont();

  inputmode[1] = new forms::OptionButton("Option1", this);
  inputmode[1]->setGeometry(forms::twipsrect(2580, 120, 255, 255));
  inputmode[1]->setAccessibleName("Hex");
  inputmode[0] = new forms::OptionButton("Option1", this);
  inputmode[0]->setGeometry(forms::twipsrect(1860, 120, 255, 255));
  inputmode[0]->setAccessibleName("Text");
  inputmode[0]->setChecked(true);

  // The two digest boxes differ only in their place.
  const auto digestbox = [this, &fixed](int top, const char* name) {
    auto* box = new QLineEdit(this);
    box->setGeometry(forms::twipsrect(840, top, 5775, 315));
    box->setAlignment(Qt::AlignCenter);
    box->setFont(fixed);
    box->setAccessibleName(name);
    return box;
  };
  hash = digestbox(4140, "Hash");
  exphash = digestbox(3720, "Expected");

  message = new forms::TextBox(this);
  message->widget()->setGeometry(forms::twipsrect(60, 900, 6555, 2715));
  message->widget()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  message->widget()->setTabChangesFocus(true);
  message->widget()->setFont(fixed);
  message->widget()->setAccessibleName("Message");

  Combo1 = new forms::ComboBox(this);
  Combo1->widget()->setGeometry(forms::twipsrect(480, 480, 6135, 315));
  Combo1->widget()->setAccessibleName("Test");
  for (const auto& entry : catalogue::entries()) Combo1->additem(QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size())));

  Command1_1 = new QPushButton("HashMessage", this);
  Command1_1->setGeometry(forms::twipsrect(60, 60, 1755, 315));

  const struct { const char* caption; QRect place; } labels[] = {
      {"Test", forms::twipsrect(120, 540, 375, 195)},
      {"Text", forms::twipsrect(2100, 150, 375, 255)},
      {"Hex", forms::twipsrect(2880, 150, 375, 255)},
      {"Expected", forms::twipsrect(60, 3780, 795, 255)},
      {"Hash", forms::twipsrect(60, 4200, 795, 255)}};
  for (std::size_t i = 0; i < Label1.size(); ++i) {
    Label1[i] = new QLabel(labels[i].caption, this);
    Label1[i]->setGeometry(labels[i].place);
    forms::fitcaption(Label1[i]);
  }

  setTabOrder(Command1_1, Combo1->widget());
  setTabOrder(Combo1->widget(), message->widget());
  setTabOrder(message->widget(), exphash);
  setTabOrder(exphash, hash);
  setTabOrder(hash, inputmode[0]);
  setTabOrder(inputmode[0], inputmode[1]);

  Combo1->onclick = handler([this] { Combo1_Click(); });
  message->onchange = handler([this] { message_Change(); });
  inputmode[0]->onclick = handler([this] { inputmode_Click(0); });
  inputmode[1]->onclick = handler([this] { inputmode_Click(1); });
  connect(Command1_1, &QPushButton::clicked, this, handler([this] { Command1_Click(1); }));
  // Enter on the focused button hashes, as Space does; Ctrl+Enter from anywhere, refused as a
  // click is while the button is disabled.
  Command1_1->setAutoDefault(true);
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    connect(new QShortcut(keys, this), &QShortcut::activated, Command1_1, &QPushButton::click);
  }
  Command1_1->setFocus();

  basicutilities::setalerthandler(dialogs::alertuser);
  load();
}

void main::Form_Load() {
  setWindowTitle(windowTitle() + " " +
                 QString::fromStdString(basicutilities::versiontext(forms::appmajor, forms::appminor, forms::apprevision)));
  Combo1->setlistindex(catalogue::promptentry);
  basicutilities::initcontrolchars();
}

void main::Combo1_Click() {
  const Run run = beginrun();
  hash->clear();

  const int index = Combo1->listindex();
  const auto entries = catalogue::entries();
  const bool listed = index > catalogue::promptentry && index < static_cast<int>(entries.size());
  const std::string entrymessage = listed ? entries[static_cast<std::size_t>(index)].message : std::string();
  const QString expected = listed ? QString::fromUtf8(entries[static_cast<std::size_t>(index)].expected) : QString();
  // The marker is text, whatever the mode: selecting text mode here shows the entry at once, in
  // runs of its own that supersede this one.
  if (listed && entrymessage == catalogue::millionmarker) {
    inputmode[0]->setChecked(true);
    if (!current(run)) return;
  }

  if (textmode()) {
    writemessage(forms::fromansi(entrymessage));
  } else {
    // One pair at a time, yielding after each, so the box fills while the window stays usable.
    QString pairs;
    writemessage(pairs);
    for (const char byte : entrymessage) {
      pairs += QString::fromStdString(basicutilities::dectohex(std::int32_t{static_cast<unsigned char>(byte)}, 2)) + ' ';
      writemessage(pairs);
      if (!yield(run)) return;
    }
  }

  exphash->setText(expected);
  buttonready();
}

void main::inputmode_Click(int /*index*/) {
  supersede();
  exphash->clear();
  hash->clear();
  const int selected = Combo1->listindex();
  Combo1->setlistindex(catalogue::promptentry);
  Combo1->setlistindex(selected);
}

void main::message_Change() {
  exphash->clear();
  hash->clear();
  if (!writing_) supersede();
}

void main::Command1_Click(int /*index*/) {
  beginrun();
  if (message->text().isEmpty()) {
    Combo1->setlistindex(catalogue::emptymessageentry);
    exphash->setText(QString::fromUtf8(catalogue::entry(catalogue::emptymessageentry).expected));
  }
  // Begun again: the selection above is this request's own doing, not a newer change.
  const Run run = beginrun();

  const QString text = message->text();
  std::string bytes;
  if (text == QLatin1String(catalogue::millionmarker.data(), static_cast<qsizetype>(catalogue::millionmarker.size()))) {
    bytes = catalogue::fullmessage(catalogue::entry(catalogue::millionentry));
  } else if (textmode()) {
    bytes = forms::toansi(text);
  } else {
    auto hex = hexbytes(run, text);
    if (!hex) return;
    bytes = std::move(*hex);
  }

  std::string constants;
  hash->setText(QString::fromStdString(basicutilities::sha1digest(constants, bytes)));
  buttonready();
}

std::optional<std::string> main::hexbytes(Run run, const QString& text) {
  // Any edit supersedes the run, so the text as read at the start stays the box's text while the
  // run is current. The pump runs at the start of each pass and then every few milliseconds rather
  // than after every character: a 10 MB box takes a tenth of a second, not minutes, and the window
  // answers as promptly.
  QElapsedTimer sinceyield;
  sinceyield.start();
  const auto paced = [&](qsizetype done) {
    if (done % 4096 != 0 || (done != 0 && sinceyield.elapsed() < yieldintervalms)) return true;
    sinceyield.restart();
    return yield(run);
  };

  std::string digits;
  for (qsizetype p = 0; p < text.size(); ++p) {
    if (ishexdigit(text[p])) digits += static_cast<char>(text[p].unicode());
    if (!paced(p)) return std::nullopt;
  }
  if (digits.size() % 2 != 0) digits.insert(0, 1, '0');
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t p = 0; p < digits.size(); p += 2) {
    std::string pair = digits.substr(p, 2);
    bytes += static_cast<char>(basicutilities::hextodec(pair));
    if (!paced(static_cast<qsizetype>(p / 2))) return std::nullopt;
  }
  return bytes;
}

// Every resize is undone, a maximised window returns to normal, a minimised one is left alone. Each
// size change runs this again, nested, until the window has the recorded size.
void main::Form_Resize() {
  if (lockwidth_ == 0 || lockheight_ == 0) {
    lockheight_ = Height();
    lockwidth_ = Width();
    return;
  }
  if (WindowState() == 2) {
    setWindowState(0);
    return;
  }
  if (WindowState() == 1) return;
  setHeight(lockheight_);
  setWidth(lockwidth_);
  // Back from maximised, the platform may have put the window at the screen's edge.
  if (normalplace_ && pos() != *normalplace_) move(*normalplace_);
}

void main::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (lockwidth_ != 0 && WindowState() == 0 && Height() == lockheight_ && Width() == lockwidth_) normalplace_ = pos();
}

void main::closeEvent(QCloseEvent* event) {
  supersede();
  QWidget::closeEvent(event);
}

void main::recover() { buttonready(); }

main::Run main::beginrun() {
  // Disabling the focused button would hand the focus to the catalogue's text field, where the
  // next key changes the selection; the window holds it until the button is ready again.
  if (focusWidget() == Command1_1) {
    refocusbutton_ = true;
    setFocus();
  }
  Command1_1->setEnabled(false);
  Command1_1->setText(waitcaption);
  return ++latestrun_;
}

void main::supersede() {
  ++latestrun_;
  buttonready();
}

bool main::current(Run run) const { return run == latestrun_; }

bool main::yield(Run run) {
  forms::doevents();
  return current(run);
}

void main::writemessage(const QString& text) {
  const QScopedValueRollback writing(writing_, true);
  message->settext(text);
}

void main::buttonready() {
  Command1_1->setEnabled(true);
  Command1_1->setText(readycaption);
  if (std::exchange(refocusbutton_, false) && (focusWidget() == this || focusWidget() == nullptr)) Command1_1->setFocus();
}

bool main::textmode() const { return inputmode[0]->isChecked(); }

}  // namespace tester
