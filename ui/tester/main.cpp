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
#include <QTimer>
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
// "Fixedsys" where the system has it, else the system's fixed-pitch font, at 9 point.
QFont boxfont() {
  QFont font("Fixedsys");
  if (!QFontInfo(font).exactMatch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(9);
  return font;
}

// The local files that a drag carries.
QStringList draggedfiles(const QMimeData* data) {
  QStringList files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files.append(url.toLocalFile());
  }
  return files;
}

// Bytes as hex mode shows them: upper-case pairs, each followed by a blank.
QString hexpairs(std::string_view bytes) {
  QString pairs = QString::fromStdString(basicutilities::hexencode(bytes, basicutilities::HexCase::upper, 1));
  return bytes.empty() ? pairs : pairs + ' ';
}

// Whether text mode reads text as holding a line break, which it writes as CR LF.
bool haslinebreak(const QString& text) {
  return forms::utf16(text).find_first_of(u"\n\r\u2028\u2029") != std::u16string_view::npos;
}

// Why hex mode's bytes cannot be shown as text: the first byte without a character to show.
QString unshowable(const std::string& bytes, std::size_t at) {
  const auto byte = static_cast<unsigned char>(bytes[at]);
  const QString which = QString("byte %1, %2,").arg(at + 1).arg(QString::fromStdString(basicutilities::hexencode(bytes.substr(at, 1))));
  if (byte == '\r' || byte == '\n') return which + " is a line break other than CR LF, the only one Text mode writes";
  return which + " has no character that Text mode shows and reads back as it";
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
  // The window keeps its size: the window manager is told so, and offers no maximise or resize
  // that would be undone (the undo stays, for managers that ignore the hints).
  setFixedSize(size());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
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
  statusline_ = std::make_unique<StatusLine>(status);
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
  // The words beside the option buttons select them, as their captions would.
  forms::clickselects(Label1[1], inputmode[0]);
  forms::clickselects(Label1[2], inputmode[1]);
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
  connect(placement_.settled(), &QTimer::timeout, this, handler([this] { placement_.returntoplace(); }));
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this), &QShortcut::activated, this, handler([this] { showheld(); }));
  message->onbigtext = [this](const QString& text) { handler([this, text] { holdtext(text); })(); };
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this), &QShortcut::activated, this, handler([this] { choosefile(); }));
  // A file dropped anywhere, the message box included, is opened rather than pasted as its name.
  setAcceptDrops(true);
  message->takesfiledrops = false;
  // Whatever changes a digest box, the verdict no longer holds; a new expected digest against the
  // one computed gets its verdict at once, with what was hashed.
  connect(hash, &QLineEdit::textChanged, this, handler([this] {
            markwords(hash, {});
            say({});
          }));
  connect(exphash, &QLineEdit::textChanged, this, handler([this] {
            markwords(hash, {});
            if (hash->text().isEmpty()) return say({});
            tellresult(lastreading_);
          }));
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
      const bool digest = digestin(hash).has_value();
      menu->addAction("Copy Digest as Shown", this, handler([this] { QGuiApplication::clipboard()->setText(hash->text()); }))->setEnabled(digest);
      menu->addAction("Copy Digest as 40 Lower-Case Digits\tCtrl+Shift+C", this, handler([this] { copydigest(); }))->setEnabled(digest);
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
  if (keepmessage_) return;  // the user's message stays; the catalogue just stops naming an entry
  ownmode_.reset();
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
  if (revertingmode_) return;
  supersede();
  exphash->clear();
  hash->clear();
  // A paste held back stays, read as the mode now reads it. (A file's marker stands beside the
  // prompt entry, which is shown again as it is: nothing.)
  if (showsheld()) return;
  if (ownmode_) return convertmessage();
  const int selected = Combo1->listindex();
  Combo1->setlistindex(catalogue::promptentry);
  Combo1->setlistindex(selected);
}

void main::message_Change() {
  exphash->clear();
  hash->clear();
  if (writing_) return;
  supersede();
  takeownmessage();
}

void main::takeownmessage() {
  ownmode_ = textmode();
  if (Combo1->listindex() == catalogue::promptentry) return;
  const QScopedValueRollback keep(keepmessage_, true);
  Combo1->setlistindex(catalogue::promptentry);
}

void main::convertmessage() {
  const bool fromtext = *ownmode_;
  if (fromtext == textmode()) return;  // switched back before a conversion wrote anything
  const Run run = beginrun();
  const QString text = message->text();
  std::optional<QString> converted;
  QString why;
  if (fromtext) {
    const auto encoded = encodetext(run, text);
    if (!encoded) return;
    if (encoded->unmappable) why = QString("the character at position %1 has no byte in Windows-1252").arg(encoded->unmappable->position);
    if (!encoded->unmappable) converted = hexpairs(encoded->bytes);
  } else {
    QString reading;
    const auto bytes = hexbytes(run, text, reading);
    if (!bytes) return;
    const input::AsText shown = input::astext(*bytes);
    if (shown.unshowable) why = unshowable(*bytes, *shown.unshowable);
    if (!shown.unshowable) converted = QString::fromStdU16String(shown.text);
  }
  if (converted) {
    writemessage(*converted);
    ownmode_ = textmode();
    say(QString("Your message, converted to %1").arg(fromtext ? "hex bytes" : "text"));
  } else {
    const QScopedValueRollback reverting(revertingmode_, true);
    inputmode[fromtext ? 0 : 1]->setChecked(true);
    say(QString("Stays in %1: ").arg(fromtext ? "Text" : "Hex") + why);
  }
  buttonready();
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
  lastreading_ = reading;
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
    auto encoded = encodetext(run, text);
    if (!encoded) return std::nullopt;
    if (const auto& bad = encoded->unmappable) {
      // The alert that follows goes; the status line keeps saying why nothing was hashed.
      say(QString("Not hashed: the character at position %1 has no byte in Windows-1252").arg(bad->position));
      throw forms::UnmappableCharacterError(bad->character, static_cast<qsizetype>(bad->position));
    }
    bytes = std::move(encoded->bytes);
    reading = bytecount(bytes.size());
    // What makes a typed message differ from the same lines hashed elsewhere.
    if (haslinebreak(text)) reading += " \u00B7 line breaks as CR LF";
  } else {
    auto hex = hexbytes(run, text, reading);
    if (!hex) return std::nullopt;
    bytes = std::move(*hex);
  }
  // In pieces, so that a message of a hundred megabytes leaves the window its turns.
  QElapsedTimer sinceyield;
  sinceyield.start();
  const auto digest = hashpieces(bytes, [&](qint64 done) { return pace(run, sinceyield, "Hashing:", done, static_cast<qint64>(bytes.size())); });
  if (!digest) return std::nullopt;
  hashed_ = std::make_shared<const std::string>(std::move(bytes));
  return digest;
}

std::optional<input::Encoded> main::encodetext(Run run, const QString& text) {
  QElapsedTimer sinceyield;
  sinceyield.start();
  const auto paced = [&](input::Stage, std::size_t done, std::size_t total) {
    return pace(run, sinceyield, "Reading the characters:", static_cast<qsizetype>(done), static_cast<qsizetype>(total));
  };
  return input::towindows1252(forms::utf16(text), paced);
}

bool main::pace(Run run, QElapsedTimer& sinceyield, const QString& what, qint64 done, qint64 total) {
  return runs_.pace(run, sinceyield, [&] { progress(what, done, total); });
}

void main::holdtext(const QString& text) {
  supersede();
  takeownmessage();
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
  takeownmessage();
}

void main::choosefile() {
  const QString path = QFileDialog::getOpenFileName(this, "Hash a File");
  if (!path.isEmpty()) openfile(path);
}

void main::openfile(const QString& path, const QString& note) {
  const QFileInfo info(path);
  if (!info.isFile()) return say("Cannot open " + path + ": " + (info.exists() ? "it is not a regular file" : "there is no such file") + note);
  supersede();
  Combo1->setlistindex(catalogue::promptentry);
  ownmode_.reset();
  file_ = OpenFile{info.absoluteFilePath(), "file: " + info.fileName() + " \u00B7 " + bytecount(static_cast<std::size_t>(info.size())), info.size(), note};
  writemessage(file_->marker);
  say("Hashing the file " + file_->path + note);
  // Naming the file asked for its digest. Once the drop or the dialog is over, as if the button
  // were pressed: unless the box or a run has moved on meanwhile.
  QTimer::singleShot(0, this, [this, marker = file_->marker] {
    if (message->text() == marker && showsfile()) Command1_1->click();
  });
}

bool main::showsfile() const { return file_ && message->text() == file_->marker; }

std::optional<basicutilities::Sha1Digest> main::hashfile(Run run, QString& reading) {
  const OpenFile file = *file_;
  QElapsedTimer sinceyield;
  sinceyield.start();
  QString problem;
  std::string kept;
  const auto digest = tester::hashfile(file, [&](qint64 done) { return pace(run, sinceyield, "Hashing the file:", done, file.size); }, problem, kept);
  if (!problem.isEmpty()) {
    hash->clear();  // a digest from before would read as the file's as it is now
    say("Not hashed: " + file.path + " " + problem);
    buttonready();
  }
  if (!digest) return std::nullopt;
  reading = bytecount(static_cast<std::size_t>(file.size)) + ": the file " + file.path + file.note;
  hashed_ = file.size <= keptfilesize ? std::make_shared<const std::string>(std::move(kept)) : nullptr;
  return digest;
}

void main::dragEnterEvent(QDragEnterEvent* event) {
  if (!draggedfiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void main::dropEvent(QDropEvent* event) {
  const QStringList files = draggedfiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  // One file is hashed at a time; the others are not dropped silently.
  const auto others = files.size() - 1;
  const QString note = others == 0 ? QString() : QString(" \u00B7 %1 other file%2 dropped with it left out").arg(others).arg(others == 1 ? "" : "s");
  handler([this, file = files.first(), note] { openfile(file, note); })();
}

void main::cancel() {
  if (Command1_1->isEnabled()) return;  // nothing is running
  supersede();
  // A digest from before the request would read as this request's.
  hash->clear();
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
  // Of several sha1sum lines, the one for the open file.
  const QString name = showsfile() ? QFileInfo(file_->path).fileName() : QString();
  const input::DigestReading pasted = input::readdigest(forms::utf16(exphash->text()), forms::utf16(name));
  const auto& expected = pasted.digest;
  if (computed && !pasted.problem.empty()) return say("No verdict: " + QString::fromStdString(pasted.problem) + " \u00B7 " + reading);
  if (!computed || !expected) return say(reading);
  QString which;
  if (pasted.digests > 1) {
    which = QString(" \u00B7 Expected holds %1 digests: %2 was compared")
                .arg(pasted.digests)
                .arg(pasted.named ? "the one for " + name : QString("the first"));
  }
  const Verdict told = verdict(*computed, *expected);
  markwords(hash, told.differing);
  hash->setAccessibleDescription(told.text.mid(2));
  say(told.text + " \u00B7 " + reading + which);
}

std::optional<std::string> main::hexbytes(Run run, const QString& text, QString& reading) {
  // Any edit supersedes the run, so the text as read at the start stays the box's text while the
  // run is current. The pump runs at the start of each pass and then every few milliseconds rather
  // than after every character: a 10 MB box takes a tenth of a second, not minutes, and the window
  // answers as promptly.
  QElapsedTimer sinceyield;
  sinceyield.start();
  const auto paced = [&](input::Stage stage, std::size_t done, std::size_t total) {
    if (done != 0 && sinceyield.elapsed() < forms::Runs::yieldintervalms) return true;
    sinceyield.restart();
    progress(stage == input::Stage::digits ? "Reading the hex digits:" : "Making bytes of the digits:", static_cast<qsizetype>(done), static_cast<qsizetype>(total));
    return yield(run);
  };
  auto read = input::readhex(forms::utf16(text), paced);
  if (!read) return std::nullopt;
  reading = hexreading(*read);
  return std::move(read->bytes);
}

void main::Form_Resize() { placement_.resized(); }

void main::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  placement_.moved();
}

void main::showrounds() {
  if (rounds_ == nullptr) {
    rounds_ = new dialogs::rounds;
    rounds_->setParent(this, rounds_->windowFlags());
    rounds_->placebeside(*this);  // the first time only: then where the user puts it
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
    rounds_->showmessage(nullptr, "The rounds of a file over 4 MiB are not shown: its bytes are not kept. "
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
  return runs_.begin();
}

void main::supersede() {
  runs_.supersede();
  buttonready();
}

void main::writemessage(const QString& text) {
  const QScopedValueRollback writing(writing_, true);
  message->settext(text);
}

void main::buttonready() {
  // However a run ended, its progress is over.
  statusline_->endprogress();
  Command1_1->setEnabled(true);
  Command1_1->setText(readycaption);
  if (std::exchange(refocusbutton_, false) && (focusWidget() == this || focusWidget() == nullptr)) Command1_1->setFocus();
}

bool main::textmode() const { return inputmode[0]->isChecked(); }

}  // namespace tester
