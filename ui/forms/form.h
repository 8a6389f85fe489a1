// SPDX-License-Identifier: MIT
// The form base of every window and dialog: the runtime's Height, Width and WindowState in twips,
// and its load, resize, activate and terminate events, each run inside the error boundary.
#pragma once

#include <QDialog>
#include <QWidget>

#include "ui/forms/forms.h"

namespace forms {

// Base is QWidget (a window) or QDialog (a fixed-size dialog with a title and a close box only,
// its caption " " until set).
template <class Base>
class Form : public Base {
 public:
  Form();

  // The size of the client area in twips; WindowState 0 normal, 1 minimised, 2 maximised.
  int Height() const;
  int Width() const;
  void setHeight(int twips);
  void setWidth(int twips);
  int WindowState() const;
  void setWindowState(int state);
  using Base::setWindowState;

  // The events, for windows to override; the defaults do nothing.
  virtual void Form_Load() {}
  virtual void Form_Resize() {}      // every change of size or of WindowState
  virtual void Form_Activate() {}    // the window became the active one
  virtual void Form_Terminate() {}

 protected:
  // Runs after any handler of this form was cut short by an error, before the user is told, so
  // that the window is usable again meanwhile.
  virtual void recover() {}

  // A slot for any signal that runs body inside the error boundary, with recover().
  template <class Body>
  auto handler(Body body) {
    return forms::handler(std::move(body), [this] { recover(); });
  }

  // A constructor or destructor cannot reach the window's own handlers: the window's constructor
  // calls load() last, its destructor calls terminate() first.
  void load();
  void terminate();

  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
};

extern template class Form<QWidget>;
extern template class Form<QDialog>;

using Dialog = Form<QDialog>;

}  // namespace forms
