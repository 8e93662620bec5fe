#pragma once

#include <QIcon>
#include <QString>

namespace typelane::ui {

// The pictures of the toolbar buttons, drawn at run time so the program needs
// no image files: "New", "Open", "Save", "Cut", "Copy", "Paste", "Undo", "Redo", "XLImport",
// "Delays", "Commands", "Options", "ViewSource", "HideSource", "SendData",
// "Help", and "Typelane" (the program's own icon). An unknown name gives an
// empty icon.
QIcon ToolbarIcon(const QString& name);

}  // namespace typelane::ui
