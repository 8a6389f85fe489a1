// SPDX-License-Identifier: MIT
#include "ui/dialogs/selectfile.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/forms/filelists.h"
#include "ui/forms/forms.h"
#include "ui/forms/textbox.h"
#include "utilities/basicutilities.h"

namespace dialogs {

selectfile::selectfile() {
  setFixedSize(forms::twipstopixels(4410), forms::twipstopixels(5625));

  filecount = new QLineEdit(this);
  filecount->setGeometry(forms::twipsrect(495, 855, 645, 285));
  filecount->setAccessibleName("Count");
  filemask = new QLineEdit(this);
  filemask->setGeometry(forms::twipsrect(1170, 855, 975, 285));
  filemask->setAccessibleName("Pattern");
  cancelbutton = new QPushButton("Cancel", this);
  cancelbutton->setGeometry(forms::twipsrect(2250, 5220, 2130, 330));
  okbutton = new QPushButton("OK", this);
  okbutton->setGeometry(forms::twipsrect(45, 5220, 2130, 330));
  filename = new forms::TextBox(this);
  filename->widget()->setGeometry(forms::twipsrect(45, 45, 2085, 780));
  filename->widget()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  filename->widget()->setTabChangesFocus(true);
  filename->widget()->setAccessibleName("Chosen files");
  drivelist = new forms::DriveList(this);
  drivelist->widget()->setGeometry(forms::twipsrect(2205, 4860, 2145, 315));
  filelist = new forms::FileList(this);
  filelist->widget()->setGeometry(forms::twipsrect(45, 1170, 2115, 3990));
  dirlist = new forms::DirList(this);
  dirlist->widget()->setGeometry(forms::twipsrect(2205, 270, 2190, 4365));
  Label3 = new QLabel("Drives", this);
  Label3->setGeometry(forms::twipsrect(2205, 4635, 630, 255));
  Label2 = new QLabel("Directories:", this);
  Label2->setGeometry(forms::twipsrect(2205, 45, 1335, 255));
  Label1 = new QLabel("Files: ", this);
  Label1->setGeometry(forms::twipsrect(45, 900, 1095, 255));

  setTabOrder(dirlist->widget(), filelist->widget());
  setTabOrder(filelist->widget(), drivelist->widget());
  setTabOrder(drivelist->widget(), filename->widget());
  setTabOrder(filename->widget(), okbutton);
  setTabOrder(okbutton, cancelbutton);
  setTabOrder(cancelbutton, filemask);
  setTabOrder(filemask, filecount);

  // The lists start where the program runs, before any handler is connected.
  const QString start = QDir::currentPath();
  drivelist->setdrive(start);
  dirlist->setpath(start);
  filelist->setpath(start);

  connect(okbutton, &QPushButton::clicked, this, handler([this] { okbutton_Click(); }));
  connect(cancelbutton, &QPushButton::clicked, this, handler([this] { cancelbutton_Click(); }));
  connect(filemask, &QLineEdit::textChanged, this, handler([this] { filemask_Change(); }));
  dirlist->onchange = handler([this] { dirlist_Change(); });
  drivelist->onchange = handler([this] { drivelist_Change(); });
  filelist->ondoubleclick = handler([this] { filelist_DblClick(); });
}

selectfile::~selectfile() { terminate(); }

void selectfile::okbutton_Click() { hide(); }

void selectfile::cancelbutton_Click() {
  filename->settext(QString());
  hide();
}

void selectfile::dirlist_Change() {
  filelist->setpath(dirlist->path());
  filename->settext(QString());
}

void selectfile::drivelist_Change() {
  dirlist->setpath(drivelist->drive());
  filelist->setpath(dirlist->path());
}

void selectfile::filelist_DblClick() {
  const QString separator = QString::fromStdString(basicutilities::crlf);
  QString names;
  int count = 0;
  for (int i = 0; i < filelist->widget()->count(); ++i) {
    const QListWidgetItem* entry = filelist->widget()->item(i);
    if (!entry->isSelected()) continue;
    names += separator + entry->text();
    ++count;
  }
  filename->settext(names.mid(separator.size()));
  filecount->setText(QString::number(count));
}

void selectfile::filemask_Change() { filelist->setpattern(filemask->text()); }

void selectfile::Form_Activate() { filemask->setText(filelist->pattern()); }

void selectfile::Form_Terminate() { filename->settext(QString()); }

}  // namespace dialogs
