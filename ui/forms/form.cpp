// SPDX-License-Identifier: MIT
#include "ui/forms/form.h"

#include <QEvent>

// The icons live in the static library, whose resource object the linker drops unless something
// refers to it; every form does, through this. (The macro cannot stand inside a namespace.)
static void loadresources() { Q_INIT_RESOURCE(resources); }

namespace forms {
namespace {

template <class Base>
Qt::WindowFlags windowflags() {
  if constexpr (std::is_same_v<Base, QDialog>) {
    return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
  } else {
    return {};
  }
}

}  // namespace

template <class Base>
Form<Base>::Form() : Base(nullptr, windowflags<Base>()) {
  [[maybe_unused]] static const bool loaded = (loadresources(), true);
  if constexpr (std::is_same_v<Base, QDialog>) Base::setWindowTitle(" ");
}

template <class Base>
int Form<Base>::Height() const {
  return pixelstotwips(Base::height());
}

template <class Base>
int Form<Base>::Width() const {
  return pixelstotwips(Base::width());
}

template <class Base>
void Form<Base>::setHeight(int twips) {
  Base::resize(Base::width(), twipstopixels(twips));
}

template <class Base>
void Form<Base>::setWidth(int twips) {
  Base::resize(twipstopixels(twips), Base::height());
}

template <class Base>
int Form<Base>::WindowState() const {
  if (Base::isMinimized()) return 1;
  if (Base::windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
  return 0;
}

template <class Base>
void Form<Base>::setWindowState(int state) {
  const Qt::WindowStates sizes = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
  const Qt::WindowState wanted = state == 1 ? Qt::WindowMinimized : state == 2 ? Qt::WindowMaximized : Qt::WindowNoState;
  Base::setWindowState((Base::windowState() & ~sizes) | wanted);
}

template <class Base>
void Form<Base>::load() {
  handler([this] { Form_Load(); })();
}

template <class Base>
void Form<Base>::terminate() {
  handler([this] { Form_Terminate(); })();
}

template <class Base>
void Form<Base>::resizeEvent(QResizeEvent* event) {
  Base::resizeEvent(event);
  handler([this] { Form_Resize(); })();
}

template <class Base>
void Form<Base>::changeEvent(QEvent* event) {
  Base::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) handler([this] { Form_Resize(); })();
}

template <class Base>
bool Form<Base>::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) handler([this] { Form_Activate(); })();
  return Base::event(event);
}

template class Form<QWidget>;
template class Form<QDialog>;

}  // namespace forms
