// SPDX-License-Identifier: MIT
#include "ui/dialogs/rounds.h"

#include <QAbstractListModel>
#include <QFontDatabase>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>

#include "digest/sha1trace.h"
#include "ui/forms/forms.h"

namespace dialogs {

// A row a block, made when shown: a long message has millions.
class BlockList : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  void setmessage(std::uint64_t length, bool any) {
    beginResetModel();
    length_ = length;
    count_ = any ? basicutilities::sha1blockcount(length) : 0;
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override {
    // A list of more rows than an int counts is cut short; the blocks past it are not offered.
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::uint64_t>(count_, 0x7FFFFFFF));
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const auto block = static_cast<std::uint64_t>(index.row());
    QString text = QString("Block %1").arg(block + 1);
    if (64 * block >= length_) text += " (padding only)";
    return text;
  }

 private:
  std::uint64_t length_ = 0, count_ = 0;
};

rounds::rounds() {
  setWindowTitle("Rounds");
  Label1 = new QLabel("Blocks", this);
  blocks = new QListView(this);
  blocks->setUniformItemSizes(true);
  blocks->setAccessibleName("Blocks");
  blocks->setFixedWidth(forms::twipstopixels(2100));
  Label1->setBuddy(blocks);
  list_ = new BlockList(this);
  blocks->setModel(list_);
  working = new QPlainTextEdit(this);
  working->setReadOnly(true);
  working->setLineWrapMode(QPlainTextEdit::NoWrap);
  working->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  working->setAccessibleName("Working");
  // The working takes what room the window is given; the list keeps its width.
  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(blocks, 1, 0);
  grid->addWidget(working, 0, 1, 2, 1);
  grid->setColumnStretch(1, 1);
  resize(forms::twipstopixels(8400), forms::twipstopixels(7200));
  connect(blocks->selectionModel(), &QItemSelectionModel::currentChanged, this, handler([this] { blocks_Click(); }));
}

rounds::~rounds() = default;

void rounds::placebeside(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry(), beside = window.frameGeometry();
  // The frame this window will get, taken to be the main window's.
  const QSize frame = size() + (beside.size() - window.size());
  const int top = std::clamp(beside.top(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height()));
  if (beside.right() + frame.width() <= room.right()) {
    move(beside.right() + 1, top);
  } else if (beside.left() - frame.width() >= room.left()) {
    move(beside.left() - frame.width(), top);
  }
}

void rounds::showmessage(std::shared_ptr<const std::string> message, const QString& why) {
  message_ = std::move(message);
  list_->setmessage(message_ ? message_->size() : 0, message_ != nullptr);
  // The working is read in columns; a sentence instead wraps.
  working->setLineWrapMode(message_ ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
  if (!message_) {
    working->setPlainText(why);
    return;
  }
  blocks->setCurrentIndex(list_->index(0));
  blocks_Click();
}

void rounds::blocks_Click() {
  const QModelIndex chosen = blocks->currentIndex();
  if (!message_ || !chosen.isValid()) return;
  QString text = QString::fromStdString(basicutilities::sha1traceblock(*message_, static_cast<std::uint64_t>(chosen.row())));
  // NIST's listing puts the letters side by side; here each stands over its column, past "t=NN: ".
  text.replace(QLatin1String("\nA B C D E\n"), QLatin1String("\n      A        B        C        D        E\n"));
  working->setPlainText(text);
}

}  // namespace dialogs
