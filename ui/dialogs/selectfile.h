// SPDX-License-Identifier: MIT
// The file selection dialog: drive, folder and file lists, a pattern, the chosen names and their
// number. No code path of the program opens it; it reports what the user chose in its boxes.
#pragma once

#include "ui/forms/form.h"

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

class selectfile : public forms::Dialog {
 public:
  selectfile();
  ~selectfile() override;

  // Hides the dialog, keeping the chosen names.
  void okbutton_Click();
  // Empties the chosen names and hides the dialog.
  void cancelbutton_Click();
  // The file list follows the folder; the chosen names are emptied.
  void dirlist_Change();
  // The folder and file lists move to the chosen drive.
  void drivelist_Change();
  // The selected names, one a line, become the chosen names; their number the count.
  void filelist_DblClick();
  // The file list shows what the new pattern matches.
  void filemask_Change();
  // The pattern box shows the file list's pattern.
  void Form_Activate() override;
  // The chosen names are emptied.
  void Form_Terminate() override;

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
};

}  // namespace dialogs
