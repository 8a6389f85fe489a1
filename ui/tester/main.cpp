// SPDX-License-Identifier: MIT
#include "ui/tester/main.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTextCharFormat>
#include <QUrl>
#include <algorithm>
#include <string>
#include <utility>

#include "catalogue/catalogue.h"
#include "digest/sha1digest.h"
#include "input/digestforms.h"
#include "input/messagebytes.h"
#include "ui/dialogs/rounds.h"
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

// A file is read and hashed in pieces of this size, a few milliseconds each.
constexpr std::size_t filechunk = std::size_t{1} << 20;

// The first local file that a drag carries, if any.
std::optional<QString> draggedfile(const QMimeData* data) {
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return std::nullopt;
}

// How long after undoing a maximise the window goes back to its place, whatever the window
// manager did meanwhile; moves until twice this long are not the user's.
constexpr int settlems = 250;

// A long run shows its progress after this long.
constexpr qint64 progressafterms = 500;

QString bytecount(std::size_t count) {
  return QLocale(QLocale::English).toString(static_cast<qulonglong>(count)) + (count == 1 ? " byte" : " bytes");
}

QString charactercount(qsizetype count) {
  return QLocale(QLocale::English).toString(static_cast<qlonglong>(count)) + (count == 1 ? " character" : " characters");
}

// "61 62 63", the first eight bytes and then "...".
QString firstbytes(const std::string& bytes) {
  const QString pairs = QString::fromStdString(basicutilities::hexencode(std::string_view(bytes).substr(0, 8), basicutilities::HexCase::upper, 1));
  return bytes.size() > 8 ? pairs + " ..." : pairs;
}

// How a hex box was read: the bytes, what was skipped, a "0x" taken for a digit, an odd count.
QString hexreading(const input::HexReading& read) {
  QString reading = bytecount(read.bytes.size());
  if (!read.bytes.empty()) reading += ": " + firstbytes(read.bytes);
  if (read.skipped > 0) {
    const QString count = charactercount(static_cast<qsizetype>(read.skipped));
    reading += QString(" \u00B7 %1 skipped, the first \"%2\"").arg(count, QString::fromUcs4(&read.firstskipped, 1));
  }
  if (read.zerox) reading += " \u00B7 \"0x\" reads as the digit 0 and a skipped x";
  if (read.odd) reading += " \u00B7 odd count: a leading 0 was added";
  return reading;
}

// "2", "2 and 4", "1, 2 and 5": words counted from 1.
QString wordlist(const std::vector<int>& words) {
  QString text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
    text += QString::number(words[i] + 1);
  }
  return text;
}

// The digest the Hash box holds, if it holds one.
std::optional<basicutilities::Sha1Digest> digestin(const QLineEdit* box) {
  return basicutilities::parsedigest(box->text().simplified().toStdString());
}

}  // namespace

main::main() {
  setWindowTitle("SHA1 Hash Function Tester");
  setWindowIcon(QIcon(":/icons/sha1tester.svg"));
  resize(forms::twipstopixels(6675), forms::twipstopixels(4845));
  makecontrols();
  labelcontrols();
  connecthandlers();
  Command1_1->setFocus();
  load();
}

void main::makecontrols() {
  inputmode[1] = new forms::OptionButton("Option1", this);
  inputmode[0] = new forms::OptionButton("Option1", this);
  inputmode[0]->setChecked(true);
  exphash = new QLineEdit(this);
  hash = new QLineEdit(this);
  status = new QLabel(this);
  message = new forms::TextBox(this);
  Combo1 = new forms::ComboBox(this);
  Command1_1 = new QPushButton("HashMessage", this);

  // Where each control stands (twips) and what assistive technology calls it.
  const struct { QWidget* control; QRect place; QString name; } layout[] = {
      {inputmode[1], forms::twipsrect(2580, 120, 255, 255), "Hex"},
      {inputmode[0], forms::twipsrect(1860, 120, 255, 255), "Text"},
      {exphash, forms::twipsrect(840, 3720, 5775, 315), "Expected"},
      {hash, forms::twipsrect(840, 4140, 5775, 315), "Hash"},
      {status, forms::twipsrect(60, 4500, 6555, 285), "Status"},
      {message->widget(), forms::twipsrect(60, 900, 6555, 2715), "Message"},
      {Combo1->widget(), forms::twipsrect(480, 480, 6135, 315), "Test"},
      {Command1_1, forms::twipsrect(60, 60, 1755, 315), readycaption},
  };
  for (const auto& [control, place, name] : layout) {
    control->setGeometry(place);
    control->setAccessibleName(name);
  }

  const QFont fixed = boxfont();
  for (QLineEdit* box : {hash, exphash}) {
    box->setAlignment(Qt::AlignCenter);
    box->setFont(fixed);
  }
  // Selectable and copyable, never edited by mistake.
  hash->setReadOnly(true);
  hash->setToolTip("Ctrl+Shift+C copies the digest as 40 lower-case digits");
  exphash->setToolTip("The expected digest; type or paste your own to compare");
  status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message->widget()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  message->widget()->setTabChangesFocus(true);
  message->widget()->setFont(fixed);
  for (const auto& entry : catalogue::entries()) Combo1->additem(QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size())));
  Combo1->widget()->setMaxVisibleItems(Combo1->widget()->count());  // every entry, no scrolling
  Combo1->widget()->view()->setAccessibleName("Test entries");
  if (QLineEdit* field = Combo1->widget()->lineEdit()) field->setAccessibleName("Test");

  setTabOrder(Command1_1, Combo1->widget());
  setTabOrder(Combo1->widget(), message->widget());
  setTabOrder(message->widget(), exphash);
  setTabOrder(exphash, hash);
  setTabOrder(hash, inputmode[0]);
  setTabOrder(inputmode[0], inputmode[1]);
}

void main::labelcontrols() {
  // Each label also names its control for assistive technology.
  const struct { const char* caption; QRect place; QWidget* names; } labels[] = {
      {"Test", forms::twipsrect(120, 540, 375, 195), Combo1->widget()},
      {"Text", forms::twipsrect(2100, 150, 375, 255), inputmode[0]},
      {"Hex", forms::twipsrect(2880, 150, 375, 255), inputmode[1]},
      {"Expected", forms::twipsrect(60, 3780, 795, 255), exphash},
      {"Hash", forms::twipsrect(60, 4200, 795, 255), hash}};
  for (std::size_t i = 0; i < Label1.size(); ++i) {
    Label1[i] = new QLabel(labels[i].caption, this);
    Label1[i]->setGeometry(labels[i].place);
    Label1[i]->setBuddy(labels[i].names);
    forms::fitcaption(Label1[i]);
  }
}

void main::connecthandlers() {
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
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, handler([this] { cancel(); }));
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), this), &QShortcut::activated, this, handler([this] { copydigest(); }));
  settle_.setSingleShot(true);
  settle_.setInterval(settlems);
  connect(&settle_, &QTimer::timeout, this, handler([this] { returntoplace(); }));
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this), &QShortcut::activated, this, handler([this] { showheld(); }));
  message->onbigtext = [this](const QString& text) { handler([this, text] { holdtext(text); })(); };
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this), &QShortcut::activated, this, handler([this] { choosefile(); }));
  // A file dropped anywhere, the message box included, is opened rather than pasted as its name.
  setAcceptDrops(true);
  message->takesfiledrops = false;
  // Whatever changes a digest box, the verdict no longer holds.
  for (QLineEdit* box : {hash, exphash}) {
    connect(box, &QLineEdit::textChanged, this, handler([this] {
              markwords({});
              say({});
            }));
  }
  // A cleared digest takes its rounds with it.
  connect(hash, &QLineEdit::textChanged, this, handler([this] {
            if (!hash->text().isEmpty()) return;
            hashed_.reset();
            tellrounds();
          }));
  connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, this, handler([this] { showrounds(); }));
  hash->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(hash, &QLineEdit::customContextMenuRequested, this, [this](const QPoint& place) {
    handler([this, place] {
      const std::unique_ptr<QMenu> menu(hash->createStandardContextMenu());
      menu->addSeparator();
      menu->addAction("Rounds\tF2", this, handler([this] { showrounds(); }));
      menu->exec(hash->mapToGlobal(place));
    })();
  });
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
      progress("Showing the message in hex:", pairs.size() / 3, static_cast<qsizetype>(entrymessage.size()));
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
  // A paste held back stays, read as the mode now reads it. (A file's marker stands beside the
  // prompt entry, which is shown again as it is: nothing.)
  if (showsheld()) return;
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

  QString reading;
  const auto digest = showsfile() ? hashfile(run, reading) : hashbox(run, reading);
  if (!digest) return;
  if (showsfile()) hashed_.reset();  // a file's bytes are not kept
  hash->setText(QString::fromStdString(basicutilities::digesttext(*digest)));
  tellrounds();
  tellresult(reading);
  buttonready();
}

std::optional<basicutilities::Sha1Digest> main::hashbox(Run run, QString& reading) {
  // What the box means: the text a marker holds back, or its own.
  const QString text = showsheld() ? held_->text : message->text();
  std::string bytes;
  if (text == QLatin1String(catalogue::millionmarker.data(), static_cast<qsizetype>(catalogue::millionmarker.size()))) {
    bytes = catalogue::fullmessage(catalogue::entry(catalogue::millionentry));
    reading = bytecount(bytes.size()) + ": the million \"a\" that the marker stands for";
  } else if (textmode()) {
    auto ansi = ansibytes(run, text);
    if (!ansi) return std::nullopt;
    bytes = std::move(*ansi);
    reading = bytecount(bytes.size());
  } else {
    auto hex = hexbytes(run, text, reading);
    if (!hex) return std::nullopt;
    bytes = std::move(*hex);
  }
  // In pieces, so that a message of a hundred megabytes leaves the window its turns.
  basicutilities::Sha1Stream stream;
  QElapsedTimer sinceyield;
  sinceyield.start();
  for (std::size_t at = 0; at < bytes.size(); at += filechunk) {
    stream.add(std::string_view(bytes).substr(at, filechunk));
    if (!pace(run, sinceyield, "Hashing:", static_cast<qsizetype>(at), static_cast<qsizetype>(bytes.size()))) return std::nullopt;
  }
  hashed_ = std::make_shared<const std::string>(std::move(bytes));
  return stream.finish();
}

std::optional<std::string> main::ansibytes(Run run, const QString& text) {
  QElapsedTimer sinceyield;
  sinceyield.start();
  const auto paced = [&](input::Stage, std::size_t done, std::size_t total) {
    return pace(run, sinceyield, "Reading the characters:", static_cast<qsizetype>(done), static_cast<qsizetype>(total));
  };
  auto encoded = input::towindows1252(forms::utf16(text), paced);
  if (!encoded) return std::nullopt;
  if (const auto& bad = encoded->unmappable) {
    // The alert that follows goes; the status line keeps saying why nothing was hashed.
    say(QString("Not hashed: the character at position %1 has no byte in Windows-1252").arg(bad->position));
    throw forms::UnmappableCharacterError(bad->character, static_cast<qsizetype>(bad->position));
  }
  return std::move(encoded->bytes);
}

bool main::pace(Run run, QElapsedTimer& sinceyield, const QString& what, qsizetype done, qsizetype total) {
  if (sinceyield.elapsed() < yieldintervalms) return true;
  sinceyield.restart();
  progress(what, done, total);
  return yield(run);
}

void main::holdtext(const QString& text) {
  supersede();
  held_ = HeldText{text, "pasted: " + charactercount(text.size()) + " \u00B7 Ctrl+E shows them"};
  writemessage(held_->marker);
  say("Held back: the box would take seconds to show so much; Hash Message hashes it as it is");
}

bool main::showsheld() const { return held_ && message->text() == held_->marker; }

void main::showheld() {
  if (!showsheld()) return;
  supersede();
  const QString text = held_->text;
  say("Showing " + charactercount(text.size()) + ": the window may not answer for a while");
  writemessage(text);
}

void main::choosefile() {
  const QString path = QFileDialog::getOpenFileName(this, "Hash a File");
  if (!path.isEmpty()) openfile(path);
}

void main::openfile(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile()) return say("Cannot open " + path + ": " + (info.exists() ? "it is not a regular file" : "there is no such file"));
  supersede();
  Combo1->setlistindex(catalogue::promptentry);
  file_ = OpenFile{info.absoluteFilePath(), "file: " + info.fileName() + " \u00B7 " + bytecount(static_cast<std::size_t>(info.size())), info.size()};
  writemessage(file_->marker);
  say("Hash Message hashes the file " + file_->path);
}

bool main::showsfile() const { return file_ && message->text() == file_->marker; }

std::optional<basicutilities::Sha1Digest> main::hashfile(Run run, QString& reading) {
  const OpenFile file = *file_;
  const auto fail = [&](const QString& why) {
    say("Not hashed: " + file.path + " " + why);
    buttonready();
    return std::nullopt;
  };
  QFile in(file.path);
  if (!in.open(QIODevice::ReadOnly)) return fail("cannot be read: " + in.errorString());
  basicutilities::Sha1Stream stream;
  std::string chunk(filechunk, '\0');
  qint64 done = 0;
  QElapsedTimer sinceyield;
  sinceyield.start();
  for (qint64 n; (n = in.read(chunk.data(), static_cast<qint64>(filechunk))) != 0;) {
    if (n < 0) return fail("cannot be read: " + in.errorString());
    stream.add(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    done += n;
    if (!pace(run, sinceyield, "Hashing the file:", done, file.size)) return std::nullopt;
  }
  if (done != file.size) return fail(QString("changed while it was read: %1, not the %2 it had; open it again").arg(bytecount(static_cast<std::size_t>(done)), bytecount(static_cast<std::size_t>(file.size))));
  reading = bytecount(static_cast<std::size_t>(done)) + ": the file " + file.path;
  return stream.finish();
}

void main::dragEnterEvent(QDragEnterEvent* event) {
  if (draggedfile(event->mimeData())) event->acceptProposedAction();
}

void main::dropEvent(QDropEvent* event) {
  if (const auto path = draggedfile(event->mimeData())) {
    event->acceptProposedAction();
    handler([this, file = *path] { openfile(file); })();
  }
}

void main::cancel() {
  if (Command1_1->isEnabled()) return;  // nothing is running
  supersede();
  say("Cancelled: nothing more was written");
}

void main::copydigest() {
  const auto digest = digestin(hash);
  if (!digest) return say("Nothing to copy: press Hash Message first");
  QGuiApplication::clipboard()->setText(QString::fromStdString(basicutilities::digesthex(*digest)));
  const QString copied = " \u00B7 copied as 40 lower-case digits";
  if (!status->toolTip().endsWith(copied)) say(status->toolTip() + copied);
}

void main::tellresult(const QString& reading) {
  const auto computed = digestin(hash);
  const input::DigestReading pasted = input::readdigest(forms::utf16(exphash->text()));
  const auto& expected = pasted.digest;
  if (computed && !pasted.problem.empty()) return say("No verdict: " + QString::fromStdString(pasted.problem) + " \u00B7 " + reading);
  if (!computed || !expected) return say(reading);
  std::vector<int> differing;
  for (int word = 0; word < 5; ++word) {
    const auto from = static_cast<std::size_t>(4 * word);
    if (!std::equal(computed->begin() + from, computed->begin() + from + 4, expected->begin() + from)) differing.push_back(word);
  }
  markwords(differing);
  QString verdict = "\u2713 Match";
  if (!differing.empty()) verdict = QString("\u2717 Mismatch in word%1 %2 of 5").arg(differing.size() > 1 ? "s" : "", wordlist(differing));
  hash->setAccessibleDescription(verdict.mid(2));
  say(verdict + " \u00B7 " + reading);
}

void main::markwords(const std::vector<int>& words) {
  // Bold and underlined as well as red: the marks read without colour vision.
  QTextCharFormat mark;
  mark.setFontWeight(QFont::Bold);
  mark.setFontUnderline(true);
  mark.setForeground(QColor(0xB0, 0x00, 0x00));
  QList<QInputMethodEvent::Attribute> marks;
  for (const int word : words) marks.append({QInputMethodEvent::TextFormat, 9 * word - hash->cursorPosition(), 8, mark});
  // A line edit takes formats only through an input method's event, and not while read-only.
  QInputMethodEvent event(QString(), marks);
  const bool readonly = hash->isReadOnly();
  hash->setReadOnly(false);
  QCoreApplication::sendEvent(hash, &event);
  hash->setReadOnly(readonly);
  if (words.empty()) hash->setAccessibleDescription({});
}

void main::say(const QString& text) {
  progressshown_ = false;
  status->setText(status->fontMetrics().elidedText(text, Qt::ElideRight, status->width()));
  status->setToolTip(text);
  status->setAccessibleDescription(text);
  QAccessibleEvent changed(status, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&changed);
}

void main::progress(const QString& what, qsizetype done, qsizetype total) {
  if (runclock_.elapsed() < progressafterms || total <= 0) return;
  const QString text = QString("%1 %2%  (Escape cancels)").arg(what).arg(done * 100 / total);
  if (text != status->toolTip()) say(text);
  progressshown_ = true;
}

std::optional<std::string> main::hexbytes(Run run, const QString& text, QString& reading) {
  // Any edit supersedes the run, so the text as read at the start stays the box's text while the
  // run is current. The pump runs at the start of each pass and then every few milliseconds rather
  // than after every character: a 10 MB box takes a tenth of a second, not minutes, and the window
  // answers as promptly.
  QElapsedTimer sinceyield;
  sinceyield.start();
  const auto paced = [&](input::Stage stage, std::size_t done, std::size_t total) {
    if (done != 0 && sinceyield.elapsed() < yieldintervalms) return true;
    sinceyield.restart();
    progress(stage == input::Stage::digits ? "Reading the hex digits:" : "Making bytes of the digits:", static_cast<qsizetype>(done), static_cast<qsizetype>(total));
    return yield(run);
  };
  auto read = input::readhex(forms::utf16(text), paced);
  if (!read) return std::nullopt;
  reading = hexreading(*read);
  return std::move(read->bytes);
}

// Every resize is undone, a maximised window returns to normal, a minimised one is left alone. Each
// size change runs this again, nested, until the window has the recorded size.
void main::Form_Resize() {
  if (lockwidth_ == 0 || lockheight_ == 0) {
    lockheight_ = Height();
    lockwidth_ = Width();
    return;
  }
  if (WindowState() == 1) return;
  if (WindowState() == 2 || Height() != lockheight_ || Width() != lockwidth_) {
    // A window manager's maximise and our undoing of it cross: for a while, the moves are theirs,
    // not the user's, and the last of them may leave the window at the screen's corner.
    undoing_.start();
    settle_.start();
  }
  if (WindowState() == 2) {
    setWindowState(0);
    return;
  }
  setHeight(lockheight_);
  setWidth(lockwidth_);
  // Back from maximised, the platform may have put the window at the screen's edge.
  returntoplace();
}

void main::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  const bool settled = !undoing_.isValid() || undoing_.elapsed() > 2 * settlems;
  if (settled && lockwidth_ != 0 && WindowState() == 0 && Height() == lockheight_ && Width() == lockwidth_) normalplace_ = pos();
}

void main::returntoplace() {
  if (normalplace_ && WindowState() == 0 && pos() != *normalplace_) move(*normalplace_);
}

void main::showrounds() {
  if (rounds_ == nullptr) {
    rounds_ = new dialogs::rounds;
    rounds_->setParent(this, rounds_->windowFlags());
  }
  tellrounds();
  rounds_->show();
  rounds_->raise();
  rounds_->activateWindow();
}

void main::tellrounds() {
  if (rounds_ == nullptr) return;
  if (hashed_ || hash->text().isEmpty()) {
    rounds_->showmessage(hashed_, "No digest to show the rounds of: press Hash Message, and the rounds of what it hashed are shown here.");
  } else {
    rounds_->showmessage(nullptr, "The rounds of a file are not shown: its bytes are not kept. "
                                  "sha1vectors --trace-hex traces any bytes given in hex.");
  }
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
  runclock_.start();
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
  // However a run ended, its progress is over.
  if (progressshown_) say({});
  Command1_1->setEnabled(true);
  Command1_1->setText(readycaption);
  if (std::exchange(refocusbutton_, false) && (focusWidget() == this || focusWidget() == nullptr)) Command1_1->setFocus();
}

bool main::textmode() const { return inputmode[0]->isChecked(); }

}  // namespace tester
