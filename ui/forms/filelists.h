// SPDX-License-Identifier: MIT
// The form runtime's drive, directory and file lists, on Qt. Like the other controls of the form
// layer, a change made from code runs the control's handler at once, and setting the state a list
// already has runs nothing. A folder that cannot be read leaves the list empty with a message
// drawn in it; nothing is thrown.
#pragma once

#include <QListWidget>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QWidget;

namespace forms {

// A list that draws a message over itself while it is empty.
class MessageList : public QListWidget {
 public:
  explicit MessageList(QWidget* parent) : QListWidget(parent) {}
  const QString& message() const { return message_; }
  void setmessage(const QString& message);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString message_;
};

// The file systems: drive letters where the platform has them, else the mount points, root first.
class DriveList : public QObject {
 public:
  explicit DriveList(QWidget* parent);
  QString drive() const;
  // Selects the drive that holds path (the drive itself when it is one).
  void setdrive(const QString& path);

  std::function<void()> onchange;
  QComboBox* widget() const { return widget_; }

 private:
  QComboBox* widget_;
};

// A folder: the folders on the way to it, then the folders inside it. Double-clicking one (or
// Enter) makes it the path.
class DirList : public QObject {
 public:
  explicit DirList(QWidget* parent);
  const QString& path() const { return path_; }
  void setpath(const QString& path);

  std::function<void()> onchange;
  MessageList* widget() const { return widget_; }

 private:
  void fill();

  MessageList* widget_;
  QString path_;
};

// The names of the files in a folder that match a pattern: wildcard masks separated by ";",
// "*" (every file) unless set; an empty pattern is every file too. Several entries can be
// selected at once.
class FileList : public QObject {
 public:
  static constexpr const char* everyfile = "*";

  explicit FileList(QWidget* parent);
  const QString& path() const { return path_; }
  void setpath(const QString& path);
  const QString& pattern() const { return pattern_; }
  void setpattern(const QString& pattern);

  std::function<void()> ondoubleclick;
  MessageList* widget() const { return widget_; }

 private:
  void fill();

  MessageList* widget_;
  QString path_;
  QString pattern_ = everyfile;
};

}  // namespace forms
