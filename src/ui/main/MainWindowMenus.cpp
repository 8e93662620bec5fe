// The main window's menus, pop-up menus, toolbar, status bar and their connections.
#include <QAbstractItemDelegate>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/document/Document.h"
#include "core/edit/CellEdits.h"
#include "core/edit/ColumnWidths.h"
#include "core/edit/Comments.h"
#include "core/edit/Titles.h"
#include "core/files/ProgramFolder.h"
#include "core/forms/KindControls.h"
#include "core/forms/Playback.h"
#include "core/load/Conversions.h"
#include "core/load/Platform.h"
#include "ui/common/CellText.h"
#include "ui/common/ToolbarIcons.h"
#include "ui/dialogs/TitleEditor.h"
#include "ui/grid/CellDisplay.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DialogHost.h"
#include "ui/main/EditCommands.h"
#include "ui/main/LoadRunner.h"
#include "ui/main/MainWindow.h"
#include "ui/main/Maker.h"
#include "ui/main/WindowCombo.h"

namespace typelane::ui {

namespace {

QKeySequence Ctrl(Qt::Key key) { return QKeySequence(Qt::CTRL | key); }

// Cut, Copy, Paste and Clear act on the control that has the focus, the grid's
// in-place editor included (where they do nothing): they must not close it
// first, as every other command does.
bool ActsOnFocus(const QString& name) {
  static const QStringList names = {
      QStringLiteral("mnuCut"),   QStringLiteral("mnuCopy"),  QStringLiteral("mnuPaste"),
      QStringLiteral("mnuClear"), QStringLiteral("pckCut"),   QStringLiteral("pckCopy"),
      QStringLiteral("pckPaste"), QStringLiteral("pckClear"), QStringLiteral("icnCut"),
      QStringLiteral("icnCopy"),  QStringLiteral("icnPaste")};
  return names.contains(name);
}

}  // namespace

QAction* MainWindow::Action(const QString& name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* MainWindow::AddAction(QMenu* menu, const char* name, const char* caption,
                               const QKeySequence& shortcut) {
  auto* action = new QAction(QString::fromLatin1(caption), this);
  action->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) {
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
  }
  menu->addAction(action);
  actions_[action->objectName()] = action;
  // Connected first, so every command sees the text being typed in a cell.
  if (!ActsOnFocus(action->objectName())) {
    connect(action, &QAction::triggered, this, [this] { grid_->CommitEditor(); });
  }
  return action;
}

QMenu* MainWindow::AddMenu(QMenu* parent, const char* name, const char* caption) {
  auto* menu = new QMenu(QString::fromLatin1(caption), this);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  actions_[menu->objectName()] = menu->menuAction();
  if (parent != nullptr) {
    parent->addMenu(menu);
  } else {
    menuBar()->addMenu(menu);
  }
  return menu;
}

QToolButton* MainWindow::AddButton(const char* name, const char* picture, const char* hint) {
  auto* button = new QToolButton(this);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(ToolbarIcon(QString::fromLatin1(picture)));
  button->setIconSize(QSize(24, 24));
  button->setFixedSize(33, 33);
  button->setAutoRaise(true);
  button->setToolTip(QString::fromLatin1(hint));
  button->setStatusTip(QString::fromLatin1(hint));
  // An icon alone says nothing to a screen reader: the button is named as its
  // hint. Tab reaches it; a click leaves the focus where the user works.
  button->setAccessibleName(QString::fromLatin1(hint));
  button->setFocusPolicy(Qt::TabFocus);
  buttons_[button->objectName()] = button;
  if (!ActsOnFocus(button->objectName())) {
    connect(button, &QToolButton::clicked, this, [this] { grid_->CommitEditor(); });
  }
  return button;
}

void MainWindow::BuildMenus() {
  menuBar()->setObjectName(QStringLiteral("mnuTypelane"));

  QMenu* file = AddMenu(nullptr, "mnuFile", "&File");
  AddAction(file, "mnuNew", "&New");
  AddAction(file, "mnuOpen", "&Open...", Ctrl(Qt::Key_O));
  AddAction(file, "mnuSave", "&Save", Ctrl(Qt::Key_S));
  AddAction(file, "mnuSaveAs", "Save &As...");
  file->addSeparator()->setObjectName(QStringLiteral("mnuBar1"));
  AddAction(file, "mnuExit", "E&xit");
  for (int n = 1; n <= 5; ++n) {
    const QByteArray name = "mnuFile" + QByteArray::number(n);
    AddAction(file, name.constData(), "")->setVisible(false);
  }

  QMenu* edit = AddMenu(nullptr, "mnuEdit", "&Edit");
  AddAction(edit, "mnuCut", "Cu&t", Ctrl(Qt::Key_X));
  AddAction(edit, "mnuCopy", "&Copy", Ctrl(Qt::Key_C));
  AddAction(edit, "mnuPaste", "&Paste", Ctrl(Qt::Key_V));
  AddAction(edit, "mnuClear", "C&lear");
  edit->addSeparator()->setObjectName(QStringLiteral("mnuBar2"));
  QMenu* column = AddMenu(edit, "mnuColumn", "C&olumn");
  AddAction(column, "mnuAutofit", "&Autofit Selection");
  AddAction(column, "mnuAutofitCol", "A&utofit Column");
  AddAction(column, "mnuColInsert", "&Insert");
  AddAction(column, "mnuColDelete", "&Delete");
  AddAction(column, "mnuColSelect", "&Select");
  QMenu* row = AddMenu(edit, "mnuRow", "&Row");
  AddAction(row, "mnuRowInsert", "&Insert");
  AddAction(row, "mnuRowDelete", "&Delete");
  AddAction(row, "mnuRowSelect", "&Select");
  QMenu* fill = AddMenu(edit, "mnuFill", "F&ill");
  AddAction(fill, "mnuFillDown", "&Down", Ctrl(Qt::Key_D));
  AddAction(fill, "mnuFillRight", "&Right", Ctrl(Qt::Key_R));
  AddAction(fill, "mnuFillUp", "&Up");
  AddAction(fill, "mnuFillLeft", "&Left");
  AddAction(edit, "mnuSelectAll", "Select All", Ctrl(Qt::Key_A));
  edit->addSeparator()->setObjectName(QStringLiteral("mnuBar3"));
  QMenu* titles = AddMenu(edit, "mnuTitles", "&Titles");
  AddAction(titles, "mnuEditTitles", "&Edit", Ctrl(Qt::Key_T));
  AddAction(titles, "mnuClearTitle", "&Clear");
  AddAction(titles, "mnuClearTitles", "Clear &All");
  QMenu* convert = AddMenu(edit, "mnuConvert", "C&onvert to...");
  AddAction(convert, "mnuKeystroke", "&Keystroke(s)", Ctrl(Qt::Key_K));
  AddAction(convert, "mnuCopyPaste", "&Copy and Paste", Ctrl(Qt::Key_P));
  AddAction(convert, "mnuAutoTab", "&Auto Tab");
  AddAction(convert, "mnuNoAutoTab", "&No Auto Tab");
  AddAction(edit, "mnuCommands", "Co&mmands");
  AddAction(edit, "mnuAddComment", "&Add Comment");
  AddAction(edit, "mnuDeleteComment", "&Delete Comment");
  connect(edit, &QMenu::aboutToShow, this, &MainWindow::UpdateCommentItems);

  QMenu* tools = AddMenu(nullptr, "mnuTools", "&Tools");
  AddAction(tools, "mnuSendData", "&Send Data");
  AddAction(tools, "mnuPreviewLoad", "P&review Load");
  AddAction(tools, "mnuDelays", "&Delays");
  AddAction(tools, "mnuOptions", "&Options");
  AddAction(tools, "mnuProgress", "&Progress Bar");
  AddAction(tools, "mnuXLImport", "&Excel Import");
  AddAction(tools, "mnuViewSource", "&View Source");
  AddAction(tools, "mnuHideSource", "&Hide Source")->setVisible(false);

  QMenu* help = AddMenu(nullptr, "mnuHelp", "&Help");
  AddAction(help, "mnuContentsLocal", "&Contents (Local)", QKeySequence(Qt::Key_F1));
  AddAction(help, "mnuContentsOnLine", "C&ontents (On line)");
  help->addSeparator()->setObjectName(QStringLiteral("mnuBar4"));
  AddAction(help, "mnuAbout", "&About...");
}

void MainWindow::BuildPopupMenus() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("mnuPopup"));
  AddAction(popup_, "pckCut", "Cu&t");
  AddAction(popup_, "pckCopy", "&Copy");
  AddAction(popup_, "pckPaste", "&Paste");
  AddAction(popup_, "pckClear", "C&lear");
  popup_->addSeparator()->setObjectName(QStringLiteral("pckBar1"));
  QMenu* column = AddMenu(popup_, "pckColumn", "C&olumn");
  AddAction(column, "pckSelAutofit", "&Autofit Selection");
  AddAction(column, "pckColAutofit", "A&utofit Column");
  AddAction(column, "pckColInsert", "&Insert");
  AddAction(column, "pckColDelete", "&Delete");
  AddAction(column, "pckColSelect", "&Select");
  QMenu* row = AddMenu(popup_, "pckRow", "&Row");
  AddAction(row, "pckRowInsert", "&Insert");
  AddAction(row, "pckRowDelete", "&Delete");
  AddAction(row, "pckRowSelect", "&Select");
  AddAction(popup_, "pckSelectAll", "&Select All");
  popup_->addSeparator()->setObjectName(QStringLiteral("pckBar2"));
  QMenu* titles = AddMenu(popup_, "pckTitles", "&Titles");
  AddAction(titles, "pckEditTitles", "&Edit");
  AddAction(titles, "pckClearTitle", "&Clear");
  AddAction(titles, "pckClearTitles", "Clear &All");
  QMenu* convert = AddMenu(popup_, "pckConvert", "C&onvert to...");
  AddAction(convert, "pckKeystroke", "&Keystroke(s)");
  AddAction(convert, "pckCopyPaste", "&Copy and Paste");
  AddAction(convert, "pckAutoTab", "&Auto Tab");
  AddAction(convert, "pckNoAutoTab", "&No Auto Tab");
  AddAction(popup_, "pckAddComment", "&Add Comment");
  AddAction(popup_, "pckdeleteComment", "&Delete Comment");
  connect(popup_, &QMenu::aboutToShow, this, &MainWindow::UpdateCommentItems);
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popup_->popup(grid_->viewport()->mapToGlobal(pos)); });

  source_popup_ = new QMenu(this);
  source_popup_->setObjectName(QStringLiteral("mnuSourcePopup"));
  AddAction(source_popup_, "pckSourceCopy", "Copy");
  AddAction(source_popup_, "pckSourceSelect", "Select All");
  connect(source_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { source_popup_->popup(source_->mapToGlobal(pos)); });
  connect(Action(QStringLiteral("pckSourceCopy")), &QAction::triggered, source_,
          &QPlainTextEdit::copy);
  connect(Action(QStringLiteral("pckSourceSelect")), &QAction::triggered, source_,
          &QPlainTextEdit::selectAll);
}

void MainWindow::BuildToolbar(QWidget* panel) {
  auto* rows = new QVBoxLayout(panel);
  rows->setContentsMargins(4, 2, 4, 2);
  rows->setSpacing(2);

  auto* row1 = new QHBoxLayout;
  row1->setSpacing(1);
  row1->addWidget(AddButton("icnNew", "New", "New"));
  row1->addWidget(AddButton("icnOpen", "Open", "Open file"));
  row1->addWidget(AddButton("icnSave", "Save", "Save file"));
  row1->addSpacing(8);
  row1->addWidget(AddButton("icnCut", "Cut", "Cut"));
  row1->addWidget(AddButton("icnCopy", "Copy", "Copy"));
  row1->addWidget(AddButton("icnPaste", "Paste", "Paste"));
  row1->addSpacing(8);
  row1->addWidget(AddButton("icnXLImport", "XLImport", "Import data from Excel"));
  row1->addWidget(AddButton("icnDelays", "Delays", "Set Delays"));
  row1->addWidget(AddButton("icnCommands", "Commands", "Edit Commands"));
  row1->addWidget(AddButton("icnOptions", "Options", "Set Options"));
  row1->addWidget(AddButton("icnViewSource", "ViewSource", "View source"));
  row1->addWidget(AddButton("icnHideSource", "HideSource", "Hide source"));
  buttons_[QStringLiteral("icnHideSource")]->hide();
  row1->addWidget(AddButton("icnSendData", "SendData", "Send data to form"));
  row1->addWidget(AddButton("icnHelp", "Help", "Help"));
  row1->addSpacing(16);
  auto* group_label = new QLabel(QStringLiteral("Command &Group"), panel);
  group_label->setObjectName(QStringLiteral("txtGroup"));
  row1->addWidget(group_label);
  group_box_ = new QComboBox(panel);
  group_box_->setObjectName(QStringLiteral("cmbGroup"));
  group_box_->setToolTip(QStringLiteral("Command group name"));
  // Narrow enough that the whole toolbar row fits a 1280-pixel screen at 150%
  // scaling: a wider minimum pushes the window past the screen's edge.
  group_box_->setMinimumWidth(100);
  group_label->setBuddy(group_box_);
  row1->addWidget(group_box_);
  row1->addSpacing(12);
  auto_tab_box_ = new QCheckBox(QStringLiteral("Auto Tab"), panel);
  auto_tab_box_->setObjectName(QStringLiteral("chkAutoTab"));
  auto_tab_box_->setToolTip(QStringLiteral("Turn automatic tabbing on or off"));
  // The caption stands left of the box.
  auto_tab_box_->setLayoutDirection(Qt::RightToLeft);
  row1->addWidget(auto_tab_box_);
  row1->addStretch(1);
  rows->addLayout(row1);

  auto* row2 = new QHBoxLayout;
  auto* window_label = new QLabel(QStringLiteral("&Window Name"), panel);
  window_label->setObjectName(QStringLiteral("lblWindow"));
  row2->addWidget(window_label);
  window_box_ = new WindowCombo(platform_, panel);
  window_box_->setToolTip(QStringLiteral("Target window name"));
  window_box_->setMinimumWidth(260);
  window_label->setBuddy(window_box_);
  row2->addWidget(window_box_, 2);
  auto* description_label = new QLabel(QStringLiteral("&Description"), panel);
  description_label->setObjectName(QStringLiteral("lblDescription"));
  row2->addWidget(description_label);
  description_box_ = new QLineEdit(panel);
  description_box_->setObjectName(QStringLiteral("txtDescription"));
  description_label->setBuddy(description_box_);
  row2->addWidget(description_box_, 3);
  rows->addLayout(row2);

  auto* row3 = new QHBoxLayout;
  cell_label_ = new QLabel(QStringLiteral("R0:C0"), panel);
  cell_label_->setObjectName(QStringLiteral("lblCell"));
  cell_label_->setToolTip(QStringLiteral("Current Cell"));
  cell_label_->setMinimumWidth(70);
  row3->addWidget(cell_label_);
  // The current cell's label changes with the cell; the box's own label
  // carries its access key.
  auto* cell_text_label = new QLabel(QStringLiteral("&Contents"), panel);
  cell_text_label->setObjectName(QStringLiteral("lblCellText"));
  row3->addWidget(cell_text_label);
  cell_text_box_ = new QLineEdit(panel);
  cell_text_box_->setObjectName(QStringLiteral("txtCellText"));
  cell_text_box_->setToolTip(QStringLiteral("Current cell contents"));
  cell_text_box_->setAccessibleName(QStringLiteral("Current cell contents"));
  cell_text_label->setBuddy(cell_text_box_);
  // Reached by Tab and its access key; Tab in the box moves the current cell.
  cell_text_box_->setFocusPolicy(Qt::StrongFocus);
  cell_text_box_->installEventFilter(this);
  row3->addWidget(cell_text_box_, 1);
  rows->addLayout(row3);

  // Tab goes along the toolbar, then the boxes, then into the grid (where Tab
  // moves between cells: the access keys and F6 lead out again).
  QWidget* previous = nullptr;
  auto chain = [&previous](QWidget* next) {
    if (previous != nullptr) setTabOrder(previous, next);
    previous = next;
  };
  for (int i = 0; i < row1->count(); ++i) {
    QWidget* widget = row1->itemAt(i)->widget();
    if (widget != nullptr && widget->focusPolicy() != Qt::NoFocus) chain(widget);
  }
  for (QWidget* next :
       std::initializer_list<QWidget*>{window_box_, description_box_, cell_text_box_, grid_}) {
    chain(next);
  }
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  size_panel_ = new QLabel(bar);
  size_panel_->setObjectName(QStringLiteral("StatusBarSize"));
  time_panel_ = new QLabel(bar);
  time_panel_->setObjectName(QStringLiteral("StatusBarTime"));
  // Two panels, each half of the bar.
  bar->addWidget(size_panel_, 1);
  bar->addWidget(time_panel_, 1);
}

void MainWindow::Connect() {
  auto on = [this](const char* name, auto slot) {
    connect(Action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
  };
  auto click = [this](const char* name, auto slot) {
    connect(buttons_.at(QString::fromLatin1(name)), &QToolButton::clicked, this, slot);
  };

  on("mnuNew", [this] { NewSheet(); });
  click("icnNew", [this] { NewSheet(); });
  on("mnuOpen", [this] { OpenFile({}); });
  click("icnOpen", [this] { OpenFile({}); });
  on("mnuSave", [this] { SaveFile(false); });
  click("icnSave", [this] { SaveFile(false); });
  on("mnuSaveAs", [this] { SaveFile(true); });
  on("mnuExit", [this] {
    // During a load the close stops it first and asks about saving after.
    if (dialogs_->Runner()->Loading()) {
      close();
      return;
    }
    if (document_.QuerySave()) {
      UpdateSaveState();
      close();
    }
  });
  for (int n = 1; n <= 5; ++n) {
    QAction* entry = Action(QStringLiteral("mnuFile%1").arg(n));
    connect(entry, &QAction::triggered, this, [this, n] {
      // The entry's path, as the list holds it (the caption doubles ampersands).
      const std::string path = document_.RecentFiles()[static_cast<size_t>(n - 1)];
      if (!path.empty()) OpenFile(path);
    });
  }

  // The Edit menu's editing commands: EditCommands.
  const std::pair<const char*, Conversion> conversions[] = {{"Keystroke", Conversion::kKeystroke},
                                                            {"CopyPaste", Conversion::kCopyPaste},
                                                            {"AutoTab", Conversion::kAutoTab},
                                                            {"NoAutoTab", Conversion::kNoAutoTab}};
  for (const auto& [suffix, conversion] : conversions) {
    for (const char* prefix : {"mnu", "pck"}) {
      const QByteArray name = QByteArray(prefix) + suffix;
      on(name.constData(), [this, c = conversion] { ConvertCommand(static_cast<int>(c)); });
    }
  }

  for (const char* name : {"mnuEditTitles", "pckEditTitles"})
    on(name, [this] { EditTitles(false); });
  on("mnuViewSource", [this] { ShowSource(); });
  click("icnViewSource", [this] { ShowSource(); });
  on("mnuHideSource", [this] { HideSource(); });
  click("icnHideSource", [this] { HideSource(); });
  on("mnuContentsLocal", [this] { ShowLocalHelp(); });
  click("icnHelp", [this] { ShowLocalHelp(); });
  on("mnuContentsOnLine", [this] { open_url_(QUrl(QString::fromLatin1(kOnlineHelp))); });
  on("mnuAbout", [this] { ShowAbout(); });
  on("mnuXLImport", [this] { ExcelImport(); });
  click("icnXLImport", [this] { ExcelImport(); });

  // The values that travel with the sheet.
  connect(group_box_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (showing_) return;
    document_.command_group = TextToBytes(text, document_.command_group);
    MarkModified();
  });
  connect(auto_tab_box_, &QCheckBox::clicked, this, [this](bool checked) {
    document_.auto_tab = checked;
    MarkModified();
  });
  connect(window_box_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (showing_) return;
    document_.window_title = TextToBytes(text, document_.window_title);
    MarkModified();
  });
  connect(description_box_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (showing_) return;
    document_.description = TextToBytes(text, document_.description);
    MarkModified();
  });
  connect(cell_text_box_, &QLineEdit::textEdited, this, [this] { WriteCellTextBox(); });

  // The grid.
  connect(grid_, &EditGrid::CurrentCellChanged, this, &MainWindow::ShowCurrentCell);
  connect(grid_, &EditGrid::CurrentCellMoved, this, &MainWindow::ShowCurrentCell);
  // The grid's set-edit-text: a mouse click capture comes first.
  connect(grid_, &EditGrid::EditorTextChanged, this, [this](const QString& text) {
    cell_text_box_->setText(CaptureMousePosition(grid_->CurrentCol(), grid_->CurrentRow(), text));
  });
  // Typing in a cell shows in the box as it goes; when the cell's editor
  // closes (Esc takes the typing back) the box shows what the cell holds.
  connect(grid_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [this] { ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol()); });
  connect(grid_, &EditGrid::Changed, this, &MainWindow::MarkTyping);
  connect(model_, &SheetModel::CellChanged, this, [this] { MarkModified(); });
  // The note box: hidden when the pointer moves to another cell, unless the
  // user is typing in it.
  for (QWidget* area : {grid_->viewport(), grid_->verticalHeader()->viewport(),
                        grid_->horizontalHeader()->viewport()}) {
    area->setMouseTracking(true);
    area->installEventFilter(this);
  }
  connect(comment_box_, &QPlainTextEdit::textChanged, this, [this] {
    if (comment_box_->hasFocus()) MarkTyping();
  });
}

// ---- showing the document ----

}  // namespace typelane::ui
