// SPDX-License-Identifier: MIT
// The form layer: the few services of a classic form runtime that the windows are written
// against, on Qt. Window code calls these instead of Qt where the runtime's rules matter.
#pragma once

#include <QRect>
#include <functional>
#include <utility>

class QAbstractButton;
class QLabel;

#include "sha1tester_version.h"

namespace forms {

// The program's version numbers.
inline constexpr int appmajor = sha1tester::version::major;
inline constexpr int appminor = sha1tester::version::minor;
inline constexpr int apprevision = sha1tester::version::revision;

// The event pump: handles what is pending (input, paints, timers) and returns. Handlers of other
// controls may run inside it.
void doevents();
// The system beep.
void beep();

// Twips (1/1440 inch) and pixels at the primary screen's logical DPI.
int twipstopixels(int twips);
int pixelstotwips(int pixels);
// A control's place given in twips, in pixels.
QRect twipsrect(int left, int top, int width, int height);

// Shrinks the label's font, if need be, until its caption fits its rectangle, which stays put: the
// designed sizes leave no room for fonts wider than the ones they were drawn with.
void fitcaption(QLabel* label);

// A click on the label clicks the button, as a button's own caption does. (That the label names the
// button, for assistive technology, is its buddy's part.)
void clickselects(QLabel* label, QAbstractButton* button);

// Runs handler; an exception that leaves it never reaches Qt's event loop: the user is told
// (title "Error", the error's own text) and recover runs so that the window stays usable.
void errorboundary(const std::function<void()>& handler, const std::function<void()>& recover = {});

// A slot for any signal, whatever its arguments, that runs body inside the error boundary. Every
// handler is wired through this, so none can reach Qt's event loop with an exception.
template <class Body>
auto handler(Body body, std::function<void()> recover = {}) {
  return [body = std::move(body), recover = std::move(recover)](auto&&...) { errorboundary(body, recover); };
}

}  // namespace forms
