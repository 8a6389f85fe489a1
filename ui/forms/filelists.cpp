// SPDX-License-Identifier: MIT
#include "ui/forms/filelists.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStorageInfo>
#include <algorithm>

namespace forms {
namespace {

constexpr int pathrole = Qt::UserRole;

// One spelling per folder, so that setting the same folder again is no change.
QString absolutefolder(const QString& path) { return QDir::cleanPath(QDir(path).absolutePath()); }

// Why a folder cannot be listed, or "" when it can.
QString unreadable(const QString& path) {
  const QFileInfo folder(path);
  if (!folder.exists()) return QString("The folder %1 no longer exists.").arg(QDir::toNativeSeparators(path));
  if (!folder.isDir()) return QString("%1 is not a folder.").arg(QDir::toNativeSeparators(path));
  if (!folder.isReadable() || !folder.isExecutable()) {
    return QString("The folder %1 cannot be read: no access.").arg(QDir::toNativeSeparators(path));
  }
  return {};
}

}  // namespace

void MessageList::setmessage(const QString& message) {
  message_ = message;
  viewport()->update();
}

void MessageList::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  if (count() > 0 || message_.isEmpty()) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(4, 4, -4, -4), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, message_);
}

// ---- DriveList ---------------------------------------------------------------------------------

DriveList::DriveList(QWidget* parent) : QObject(parent), widget_(new QComboBox(parent)) {
  QStringList drives;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir()) drives << volume.rootPath();
  }
  // The root (or the first drive letter) first, the rest in order.
  std::sort(drives.begin(), drives.end(), [](const QString& a, const QString& b) {
    if ((a == "/") != (b == "/")) return a == "/";
    return a < b;
  });
  drives.removeDuplicates();
  widget_->addItems(drives);
  QObject::connect(widget_, &QComboBox::currentIndexChanged, this, [this] {
    if (onchange) onchange();
  });
}

QString DriveList::drive() const { return widget_->currentText(); }

void DriveList::setdrive(const QString& path) {
  const QString target = QStorageInfo(path).rootPath();
  const int index = widget_->findText(target.isEmpty() ? path : target);
  if (index >= 0) widget_->setCurrentIndex(index);
}

// ---- DirList -----------------------------------------------------------------------------------

DirList::DirList(QWidget* parent) : QObject(parent), widget_(new MessageList(parent)) {
  const auto choose = [this](QListWidgetItem* item) {
    if (item != nullptr) setpath(item->data(pathrole).toString());
  };
  QObject::connect(widget_, &QListWidget::itemActivated, this, choose);  // double-click or Enter
}

void DirList::setpath(const QString& path) {
  const QString clean = absolutefolder(path);
  if (clean == path_) return;
  path_ = clean;
  fill();
  if (onchange) onchange();
}

void DirList::fill() {
  widget_->clear();
  // The folders on the way, each indented one step more; then the folders inside.
  QStringList way;
  for (QDir up(path_);; ) {
    way.prepend(up.absolutePath());
    if (!up.cdUp()) break;
  }
  int depth = 0;
  for (const QString& folder : way) {
    const QString name = QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QDir(folder).dirName();
    auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, widget_);
    item->setData(pathrole, folder);
    ++depth;
  }
  widget_->setCurrentRow(widget_->count() - 1);
  const QString problem = unreadable(path_);
  widget_->setmessage(problem);
  if (!problem.isEmpty()) return;
  const QDir folder(path_);
  for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
    auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, widget_);
    item->setData(pathrole, folder.filePath(name));
  }
}

// ---- FileList ----------------------------------------------------------------------------------

FileList::FileList(QWidget* parent) : QObject(parent), widget_(new MessageList(parent)) {
  widget_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QObject::connect(widget_, &QListWidget::itemDoubleClicked, this, [this] {
    if (ondoubleclick) ondoubleclick();
  });
}

void FileList::setpath(const QString& path) {
  const QString clean = absolutefolder(path);
  if (clean == path_) return;
  path_ = clean;
  fill();
}

void FileList::setpattern(const QString& pattern) {
  if (pattern == pattern_) return;
  pattern_ = pattern;
  fill();
}

void FileList::fill() {
  widget_->clear();
  if (path_.isEmpty()) return;
  const QString problem = unreadable(path_);
  widget_->setmessage(problem);
  if (!problem.isEmpty()) return;
  QStringList masks;
  for (const QString& mask : pattern_.split(';')) {
    if (!mask.trimmed().isEmpty()) masks << mask.trimmed();
  }
  // A cleared pattern filters nothing out.
  if (masks.isEmpty()) masks << everyfile;
  widget_->addItems(QDir(path_).entryList(masks, QDir::Files | QDir::Hidden | QDir::System, QDir::Name));
}

}  // namespace forms
