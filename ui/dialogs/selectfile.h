// The file selection dialog: drive, folder and file lists, a pattern, the chosen names and their
// number. No code path of the program opens it; it reports what the user chose in its boxes.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace forms {
class DirList;
class DriveList;
class FileList;
class TextBox;
}  // namespace forms

namespace dialogs {

class selectfile : public QDialog {
 public:
  selectfile();
  ~selectfile() override;

  void okbutton_Click();
  void cancelbutton_Click();
  void dirlist_Change();
  void drivelist_Change();
  void filelist_DblClick();
  void filemask_Change();
  void Form_Activate();
  void Form_Terminate();

  QLineEdit* filecount;
  QLineEdit* filemask;
  QPushButton* cancelbutton;
  QPushButton* okbutton;
  forms::TextBox* filename;
  forms::DriveList* drivelist;
  forms::FileList* filelist;
  forms::DirList* dirlist;
  QLabel* Label3;
  QLabel* Label2;
  QLabel* Label1;

 protected:
  bool event(QEvent* event) override;
};

}  // namespace dialogs
