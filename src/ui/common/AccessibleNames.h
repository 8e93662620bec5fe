#pragma once

class QWidget;

namespace typelane::ui {

// What a screen reader says for a control: every control of a window gets an
// accessible name and description in one pass, from what the window already
// shows, so no control stays anonymous when a window gains one.
//
// A control without an accessible name takes, in this order: the text of the
// label whose buddy it is, its own caption (buttons, check boxes, group
// boxes), its tooltip (the hint of an icon-only button). A control without a
// description takes its tooltip, else its status tip, else its name.
// Access-key ampersands are left out. Names set by hand stay.
void NameControls(QWidget& root);

}  // namespace typelane::ui
