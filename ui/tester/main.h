// SPDX-License-Identifier: MIT
// The tester window: pick a vector, see its message as text or hex bytes and its expected digest,
// press "Hash Message" and compare.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "digest/sha1digest.h"
#include "input/messagebytes.h"
#include "ui/forms/form.h"
#include "ui/forms/runs.h"
#include "ui/tester/placement.h"
#include "ui/tester/sources.h"
#include "ui/tester/statusline.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace forms {
class ComboBox;
class OptionButton;
class TextBox;
}  // namespace forms

namespace dialogs {
class rounds;
}  // namespace dialogs

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
  // Shows the selected entry again in the newly chosen mode (0 text, 1 hex); the user's own
  // message is converted instead (convertmessage).
  void inputmode_Click(int index);
  // Any change of the message box's text clears both digests; the user's edit also stops whatever
  // display or hash request is running, since its result would no longer belong to the box, and
  // makes the box the user's own message.
  void message_Change();
  // Hashes the box's message as the mode reads it and shows its digest under "Hash", and on the
  // status line what was hashed and whether the digest matches the expected one.
  void Command1_Click(int index);
  // Escape: the running display or request stops, as if superseded.
  void cancel();
  // Ctrl+Shift+C: the computed digest to the clipboard as 40 lower-case digits.
  void copydigest();
  // A file to hash (Ctrl+O, the command line, or dropped on the window): the box shows its marker,
  // "file: NAME · N bytes", which a request hashes by streaming the file through the engine; one
  // is made at once. The selection goes to the prompt entry; a mode switch keeps the marker; an
  // edit makes it text like any other. note ends what the status line says of the file.
  void openfile(const QString& path, const QString& note = {});
  // Ctrl+O: the platform's file dialog, then openfile.
  void choosefile();
  // A paste or drop too big to show: the box shows a marker, "pasted: N characters", and a request
  // hashes the text it holds back, read as the mode reads the box (a mode switch keeps it; an
  // edit makes the marker text like any other).
  void holdtext(const QString& text);
  // Ctrl+E: the text held back into the box after all, however long that takes.
  void showheld();
  // F2, or "Rounds" in the Hash box's menu: the window of the rounds of the message the Hash box
  // shows the digest of (none once the digest is cleared).
  void showrounds();

  // Controls, by their names; arrays by index (Command1 has only element 1).
  std::array<forms::OptionButton*, 2> inputmode;
  QLineEdit* hash;
  QLineEdit* exphash;
  forms::TextBox* message;
  forms::ComboBox* Combo1;
  QPushButton* Command1_1;
  std::array<QLabel*, 5> Label1;
  // Under the Hash box: the verdict, what was hashed, a long run's progress.
  QLabel* status;

 protected:
  // An error cut a handler short: the button is usable again.
  void recover() override;
  // Closing stops every run, so that the program ends at once.
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void makecontrols();
  // The Rounds window, when open, shows what now belongs to the Hash box.
  void tellrounds();
  // The labels, each naming its control.
  void labelcontrols();
  void connecthandlers();

  // The window's runs (a display or a hash request): only the latest is current, and a run that
  // is no longer current writes nothing more (forms::Runs). Beginning one makes the button wait.
  using Run = forms::Runs::Run;
  Run beginrun();
  // Makes every run stale; nothing is running afterwards, and the button is ready.
  void supersede();
  bool current(Run run) const { return runs_.current(run); }
  bool yield(Run run) { return runs_.yield(run); }
  // The box's hex digits as bytes, or nothing when the run was superseded meanwhile; reading says
  // how the box was read.
  std::optional<std::string> hexbytes(Run run, const QString& text, QString& reading);
  // The digest of the file the marker stands for, read in chunks with progress; nothing when the
  // run was superseded or the file could not be read whole (the status line says why).
  std::optional<basicutilities::Sha1Digest> hashfile(Run run, QString& reading);
  // Whether the box shows the open file's marker.
  bool showsfile() const;
  // The digest of what the box means (what a marker holds back, or its own text), read as the mode
  // reads it and hashed in pieces; nothing when the run was superseded.
  std::optional<basicutilities::Sha1Digest> hashbox(Run run, QString& reading);
  // Text mode's bytes (Windows-1252), read with pauses; nothing when superseded.
  std::optional<input::Encoded> encodetext(Run run, const QString& text);
  // The box now holds the user's own message, as the mode reads it: no catalogue entry names it.
  void takeownmessage();
  // The user's own message, written for the other mode, rewritten for this one: text as the hex
  // pairs of its bytes, hex as text when every byte has a character to show; otherwise the mode
  // goes back, and the status line says why.
  void convertmessage();
  // Every few milliseconds of a long run: its progress, and a turn for the event pump; false once
  // the run is superseded.
  bool pace(Run run, QElapsedTimer& sinceyield, const QString& what, qint64 done, qint64 total);
  // Whether the box shows the marker of text held back.
  bool showsheld() const;
  // Writes the message box from a run: not an edit of the user's.
  void writemessage(const QString& text);
  void buttonready();
  bool textmode() const;
  void say(const QString& text) { statusline_->say(text); }
  void progress(const QString& what, qint64 done, qint64 total) { statusline_->progress(runs_.elapsed(), what, done, total); }
  // After a request: the verdict, when both boxes hold a digest, then what was hashed.
  void tellresult(const QString& reading);

  forms::Runs runs_;
  std::unique_ptr<StatusLine> statusline_;
  Placement placement_{*this};
  // A run is writing the box (writemessage): that change is no edit of the user's.
  bool writing_ = false;
  // The box holds the user's own message (typed, pasted or converted), written for text mode
  // (true) or hex mode; nothing while it shows a catalogue entry or a marker.
  std::optional<bool> ownmode_;
  // The catalogue is moving to its prompt entry under the user's message, which stays.
  bool keepmessage_ = false;
  // A conversion that could not be made is putting the mode back: no switch of the user's.
  bool revertingmode_ = false;
  // The button had the focus when a run disabled it; it gets it back when ready.
  bool refocusbutton_ = false;

  // What the Hash box's digest is of, as the status line says it.
  QString lastreading_;
  // The file whose marker the box shows, or showed last.
  std::optional<OpenFile> file_;
  // The text a paste too big to show left behind its marker.
  std::optional<HeldText> held_;
  // The bytes whose digest the Hash box shows, when they came from the box (not from a file).
  std::shared_ptr<const std::string> hashed_;
  dialogs::rounds* rounds_ = nullptr;
};

}  // namespace tester
