#include "ui/main/MainWindow.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextDocument>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/document/CommandLine.h"
#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
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
#include "ui/common/QtTextMeasure.h"
#include "ui/common/ToolbarIcons.h"
#include "ui/dialogs/TitleEditor.h"
#include "ui/grid/CellDisplay.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DialogHost.h"
#include "ui/main/EditCommands.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/LoadRunner.h"
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

// A menu entry shows an ampersand in a path as itself, not as an access key.
QString MenuText(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return escaped;
}

}  // namespace

MainWindow::MainWindow(Document& document, Platform& platform, QWidget* parent)
    : QMainWindow(parent), document_(document), platform_(platform) {
  setObjectName(QStringLiteral("frmTypelane"));
  setWindowIcon(ToolbarIcon(QStringLiteral("Typelane")));
  open_url_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("pnlMain"));
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolbar = new QWidget(central);
  toolbar->setObjectName(QStringLiteral("Toolbar"));
  toolbar->setFixedHeight(97);
  layout->addWidget(toolbar);

  model_ = new SheetModel(document_, this);
  grid_ = new EditGrid(model_, central);
  layout->addWidget(grid_, 1);

  source_ = new QPlainTextEdit(central);
  source_->setObjectName(QStringLiteral("MemSource"));
  source_->setReadOnly(true);
  source_->setLineWrapMode(QPlainTextEdit::NoWrap);
  source_->setContextMenuPolicy(Qt::CustomContextMenu);
  source_->hide();
  source_->setEnabled(false);
  layout->addWidget(source_, 1);

  comment_box_ = new QPlainTextEdit(central);
  comment_box_->setObjectName(QStringLiteral("memCellComment"));
  comment_box_->setStyleSheet(QStringLiteral("background: yellow;"));
  comment_box_->resize(233, 137);
  comment_box_->setTabChangesFocus(false);
  comment_box_->installEventFilter(this);
  comment_box_->hide();
  setCentralWidget(central);

  BuildToolbar(toolbar);
  BuildMenus();
  BuildPopupMenus();
  BuildStatusBar();

  comment_timer_ = new QTimer(this);
  comment_timer_->setObjectName(QStringLiteral("tmrCellComment"));
  comment_timer_->setInterval(1000);
  connect(comment_timer_, &QTimer::timeout, this, &MainWindow::Tick);
  comment_timer_->start();

  Connect();
  edit_commands_ = new EditCommands(*this);
  dialogs_ = new DialogHost(*this, platform_);

  // Start-up: the recent files from the settings, an empty sheet file.
  document_.ReadRecentFiles();
  document_.SetModified(false);
  document_.SetDocumentKind(DocumentKind::kSheetFile);
  ShowDocument(true);
  Tick();
  resize(1024, 734 + 97);
}

MainWindow::~MainWindow() {
  // Closing the in-place editor below stores its text, and the document tells
  // of it: nobody may forward that to this window's controls any more.
  delete edit_commands_;
  edit_commands_ = nullptr;
}

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
  button->setFocusPolicy(Qt::NoFocus);
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
  auto* group_label = new QLabel(QStringLiteral("Command Group"), panel);
  group_label->setObjectName(QStringLiteral("txtGroup"));
  row1->addWidget(group_label);
  group_box_ = new QComboBox(panel);
  group_box_->setObjectName(QStringLiteral("cmbGroup"));
  group_box_->setToolTip(QStringLiteral("Command group name"));
  group_box_->setMinimumWidth(160);
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
  auto* window_label = new QLabel(QStringLiteral("Window Name"), panel);
  window_label->setObjectName(QStringLiteral("lblWindow"));
  row2->addWidget(window_label);
  window_box_ = new WindowCombo(platform_, panel);
  window_box_->setToolTip(QStringLiteral("Target window name"));
  window_box_->setMinimumWidth(260);
  row2->addWidget(window_box_, 2);
  auto* description_label = new QLabel(QStringLiteral("Description"), panel);
  description_label->setObjectName(QStringLiteral("lblDescription"));
  row2->addWidget(description_label);
  description_box_ = new QLineEdit(panel);
  description_box_->setObjectName(QStringLiteral("txtDescription"));
  row2->addWidget(description_box_, 3);
  rows->addLayout(row2);

  auto* row3 = new QHBoxLayout;
  cell_label_ = new QLabel(QStringLiteral("R0:C0"), panel);
  cell_label_->setObjectName(QStringLiteral("lblCell"));
  cell_label_->setToolTip(QStringLiteral("Current Cell"));
  cell_label_->setMinimumWidth(70);
  row3->addWidget(cell_label_);
  cell_text_box_ = new QLineEdit(panel);
  cell_text_box_->setObjectName(QStringLiteral("txtCellText"));
  cell_text_box_->setToolTip(QStringLiteral("Current cell contents"));
  // Not a tab stop: Tab in the box moves the current cell instead.
  cell_text_box_->setFocusPolicy(Qt::ClickFocus);
  cell_text_box_->installEventFilter(this);
  row3->addWidget(cell_text_box_, 1);
  rows->addLayout(row3);
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
  connect(grid_, &EditGrid::Changed, this, &MainWindow::MarkModified);
  connect(model_, &SheetModel::CellChanged, this, [this] { MarkModified(); });
  // The note box: hidden when the pointer moves to another cell, unless the
  // user is typing in it.
  grid_->viewport()->setMouseTracking(true);
  grid_->viewport()->installEventFilter(this);
  connect(comment_box_, &QPlainTextEdit::textChanged, this, [this] {
    if (comment_box_->hasFocus()) MarkModified();
  });
}

// ---- showing the document ----

void MainWindow::ShowDocument(bool reload) {
  showing_ = true;
  setWindowTitle(PathToText(document_.Caption()));
  if (reload) {
    // The model has followed the sheet's reset; the view starts at the top.
    grid_->Quietly([this] { grid_->SetCurrentCell(1, 1); });
    grid_->scrollToTop();
  } else {
    // Cell colours follow the command table and the options.
    model_->Repaint();
  }
  {
    const QSignalBlocker block(group_box_);
    group_box_->clear();
    for (const std::string& group : document_.GroupItems()) group_box_->addItem(BytesToText(group));
    group_box_->setCurrentIndex(group_box_->findText(BytesToText(document_.command_group)));
  }
  auto_tab_box_->setChecked(document_.auto_tab);
  {
    const QSignalBlocker block(window_box_);
    window_box_->setEditText(BytesToText(document_.window_title));
  }
  {
    const QSignalBlocker block(description_box_);
    description_box_->setText(BytesToText(document_.description));
  }
  ApplyKindControls();
  UpdateRecentFiles();
  UpdateSaveState();
  UpdateSizeText();
  ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol());
  showing_ = false;
}

void MainWindow::MarkModified() {
  document_.SetModified(true);
  UpdateSaveState();
  UpdateSizeText();
}

void MainWindow::UpdateSaveState() {
  // Save is offered only while there are unsaved changes; Save As always.
  const bool modified = document_.Modified();
  Action(QStringLiteral("mnuSave"))->setEnabled(modified);
  buttons_.at(QStringLiteral("icnSave"))->setEnabled(modified);
}

void MainWindow::UpdateSizeText() { size_panel_->setText(BytesToText(document_.SizeText())); }

void MainWindow::UpdateRecentFiles() {
  const auto& recent = document_.RecentFiles();
  for (int n = 1; n <= 5; ++n) {
    QAction* entry = Action(QStringLiteral("mnuFile%1").arg(n));
    const std::string& path = recent[static_cast<size_t>(n - 1)];
    entry->setText(MenuText(PathToText(path)));
    entry->setVisible(!path.empty());
  }
}

void MainWindow::ApplyKindControls() {
  const KindControls c = ControlsForKind(document_.Kind());
  auto enable = [this](std::initializer_list<const char*> names, bool on) {
    for (const char* name : names) {
      const QString key = QString::fromLatin1(name);
      if (QAction* action = Action(key)) action->setEnabled(on);
      const auto button = buttons_.find(key);
      if (button != buttons_.end()) button->second->setEnabled(on);
    }
  };
  grid_->SetCornerText(BytesToText(c.top_left_text));
  enable({"mnuColInsert", "mnuColDelete", "pckColInsert", "pckColDelete"}, c.col_insert_delete);
  enable({"mnuTitles", "pckTitles"}, c.titles);
  enable({"mnuConvert", "pckConvert"}, c.convert);
  enable({"mnuCommands", "icnCommands"}, c.commands);
  enable({"mnuSendData", "icnSendData", "mnuPreviewLoad"}, c.send_data);
  enable({"mnuDelays", "icnDelays"}, c.delays);
  enable({"mnuProgress"}, c.progress);
  enable({"mnuAddComment", "mnuDeleteComment", "pckAddComment", "pckdeleteComment"}, c.comments);
  group_box_->setEnabled(c.group_box);
  auto_tab_box_->setEnabled(c.auto_tab);
  window_box_->setEnabled(c.window_box);
  description_box_->setEnabled(c.description);
  // A switch of kind always returns from the source view to the grid.
  HideSource();
  enable({"mnuViewSource", "icnViewSource"}, c.view_source);
}

// ---- the current cell and the cell-text box ----

void MainWindow::ShowCurrentCell(int row, int col) {
  if (row <= 0 || col <= 0) return;
  cell_label_->setText(QStringLiteral("R%1:C%2").arg(row).arg(col));
  // A cell too long for the box shows its beginning and cannot be typed
  // into: storing the box's text back would cut the cell.
  const std::string_view bytes = document_.sheet.Cell(row, col);
  const bool editable = IsEditableCell(bytes);
  cell_text_box_->setReadOnly(!editable);
  cell_text_box_->setText(editable ? BytesToText(bytes) : ShownCellText(bytes));
  if (!editable) cell_text_box_->setCursorPosition(0);
}

void MainWindow::WriteCellTextBox() {
  const int row = grid_->CurrentRow();
  const int col = grid_->CurrentCol();
  if (row <= 0 || col <= 0 || cell_text_box_->isReadOnly()) return;
  const QtTextMeasure measure(grid_->font());
  FinishEdit(document_,
             EditCellInBox(MakeEditContext(document_, measure), row, col,
                           TextToBytes(cell_text_box_->text(), document_.sheet.Cell(row, col))));
  MarkModified();
}

void MainWindow::MoveFromCellTextBox(bool tab) {
  int row = grid_->CurrentRow();
  int col = grid_->CurrentCol();
  const int rows = model_->rowCount();
  const int cols = model_->columnCount();
  if (tab) {
    if (col < cols) {
      ++col;
    } else {
      col = 1;
      row = row < rows ? row + 1 : 1;
    }
  } else if (row < rows) {
    ++row;
  } else {
    row = 1;
    col = 1;
  }
  grid_->SetCurrentCell(row, col);
  grid_->setFocus();
}

void MainWindow::UpdateCommentItems() {
  const CellInfo* info = document_.sheet.Info(grid_->CurrentRow(), grid_->CurrentCol());
  const bool has_comment = info != nullptr && !info->comment.empty();
  for (const char* name : {"mnuAddComment", "pckAddComment"}) {
    Action(QString::fromLatin1(name))->setVisible(!has_comment);
  }
  for (const char* name : {"mnuDeleteComment", "pckdeleteComment"}) {
    Action(QString::fromLatin1(name))->setVisible(has_comment);
  }
}

void MainWindow::Tick() {
  if (comment_box_->isHidden() && grid_->isVisible()) {
    const QModelIndex index = grid_->indexAt(grid_->viewport()->mapFromGlobal(QCursor::pos()));
    if (index.isValid() &&
        grid_->viewport()->rect().contains(grid_->viewport()->mapFromGlobal(QCursor::pos()))) {
      const CellInfo* info = document_.sheet.Info(index.row() + 1, index.column() + 1);
      if (info != nullptr && !info->comment.empty()) {
        ShowCommentBox(index.row() + 1, index.column() + 1, false);
      }
    }
  }
  const QTime now = QTime::currentTime();
  time_panel_->setText(
      QStringLiteral("Time: %1:%2").arg(now.hour()).arg(now.minute(), 2, 10, QLatin1Char('0')));
}

QString MainWindow::ClockText(int hour, int minute) {
  return QStringLiteral("Time: %1:%2").arg(hour).arg(minute, 2, 10, QLatin1Char('0'));
}

void MainWindow::ShowCommentBox(int row, int col, bool edit) {
  const QModelIndex index = model_->index(row - 1, col - 1);
  if (!index.isValid()) return;
  // Right of the cell; to its left, ending at its right edge, when the grid
  // has no room on the right and more on the left.
  const QRect cell = grid_->visualRect(index);
  const int grid_width = grid_->viewport()->width();
  const int box_width = comment_box_->width();
  int left = cell.right() + 1;
  if (grid_width < box_width + cell.right() && grid_width - cell.right() < cell.right()) {
    left = cell.right() + 1 - box_width;
  }
  const QPoint at = grid_->viewport()->mapTo(centralWidget(), QPoint(left, cell.top()));
  comment_box_->move(at);
  const CellInfo* info = document_.sheet.Info(row, col);
  {
    const QSignalBlocker block(comment_box_);
    // Comments keep their line breaks as CR LF.
    QString text = info != nullptr ? BytesToText(info->comment) : QString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    comment_box_->setPlainText(text);
    comment_box_->document()->setModified(false);
  }
  comment_cell_ = {row, col};
  comment_box_->show();
  comment_box_->raise();
  if (edit) comment_box_->setFocus();
}

void MainWindow::HideCommentBox() {
  comment_cell_ = {0, 0};
  comment_box_->hide();
}

// ---- the file flow ----

void MainWindow::NewSheet() {
  grid_->CommitEditor();
  if (document_.NewSheet()) {
    dialogs_->DocumentReset();
    cell_text_box_->clear();
    ShowDocument(true);
  } else {
    UpdateSaveState();
  }
}

void MainWindow::OpenFile(const std::string& name) {
  const bool opened = document_.OpenFile(name);
  dialogs_->DocumentReset();
  // A failed or cancelled open may still have reset the sheet or answered the
  // save question: show whatever the document is now.
  ShowDocument(true);
  if (opened) grid_->setFocus();
}

void MainWindow::SaveFile(bool save_as) {
  const DocumentKind kind = document_.Kind();
  document_.SaveFile(save_as);
  // Save As may have changed the kind (and with it the titles of kind 2).
  ShowDocument(kind != document_.Kind());
}

void MainWindow::OpenCommandLineFile() {
  if (command_line_handled_) return;
  command_line_handled_ = true;
  // The window is complete on screen before any file is read.
  repaint();
  grid_->repaint();
  std::string path = JoinCommandLine(command_line_);
  if (path.empty()) return;
  // The caption and the recent files show full paths: a name given relative to
  // the folder the program was started in is completed here.
  path = TextToPath(QFileInfo(PathToText(path)).absoluteFilePath());
  OpenFile(path);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !command_line_handled_) {
    QTimer::singleShot(0, this, &MainWindow::OpenCommandLineFile);
  }
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  grid_->CommitEditor();
  if (!document_.QueryClose()) {
    // The user wanted to save and the save did not happen: keep the window.
    event->ignore();
    UpdateSaveState();
    return;
  }
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_->viewport() && event->type() == QEvent::MouseMove &&
      comment_box_->isVisible() && !comment_box_->hasFocus()) {
    const QModelIndex index =
        grid_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (!index.isValid() || std::pair(index.row() + 1, index.column() + 1) != comment_cell_) {
      HideCommentBox();
    }
  }
  if (watched == comment_box_ && event->type() == QEvent::FocusOut) {
    // Leaving the box stores what the user typed into the cell it shows; a note
    // opened by hovering and left untouched stores nothing.
    const auto [row, col] = comment_cell_;
    if (comment_box_->document()->isModified() && row > 0 && col > 0) {
      const QtTextMeasure measure(grid_->font());
      FinishEdit(document_, SetCommentText(MakeEditContext(document_, measure), row, col,
                                           comment_box_->toPlainText().toStdString()));
      MarkModified();
    }
    HideCommentBox();
  }
  if (watched == cell_text_box_ && event->type() == QEvent::FocusIn) {
    // Clicked into: the box edits the cell as it is now.
    ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol());
  }
  if (watched == cell_text_box_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      MoveFromCellTextBox(key->key() == Qt::Key_Tab);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- editing ----

void MainWindow::ConvertCommand(int conversion) {
  const GridRect s = grid_->Selection();
  ConvertCells(document_.sheet, document_.commands, CellRect{s.top, s.left, s.bottom, s.right},
               static_cast<Conversion>(conversion));
  document_.CellsChanged(CellRect{s.top, s.left, s.bottom, s.right});
  ShowCurrentCell(grid_->CurrentRow(), grid_->CurrentCol());
  MarkModified();
}

// ---- source view, help, about ----

void MainWindow::ShowSource() {
  if (document_.Kind() != DocumentKind::kPlayback) return;
  std::string text;
  try {
    text = typelane::ShowSource(document_);
  } catch (const std::exception& e) {
    document_.prompter().Error(e.what());
    return;
  }
  source_->setPlainText(BytesToText(text));
  source_->setEnabled(true);
  source_->show();
  grid_->hide();
  grid_->setEnabled(false);
  for (const char* name : {"icnHideSource", "icnViewSource"}) {
    const bool hide_item = QByteArray(name).contains("Hide");
    buttons_.at(QString::fromLatin1(name))->setVisible(hide_item);
    buttons_.at(QString::fromLatin1(name))->setEnabled(hide_item);
  }
  Action(QStringLiteral("mnuHideSource"))->setVisible(true);
  Action(QStringLiteral("mnuHideSource"))->setEnabled(true);
  Action(QStringLiteral("mnuViewSource"))->setVisible(false);
  Action(QStringLiteral("mnuViewSource"))->setEnabled(false);
  // The writer may have normalised list-of-values cells.
  document_.CellsChanged(CellRect{1, 1, document_.sheet.LastRow(), document_.sheet.LastCol()});
}

void MainWindow::HideSource() {
  if (document_.forms.source_view) typelane::HideSource(document_);
  grid_->setEnabled(true);
  grid_->show();
  source_->clear();
  source_->hide();
  source_->setEnabled(false);
  buttons_.at(QStringLiteral("icnViewSource"))->setVisible(true);
  buttons_.at(QStringLiteral("icnViewSource"))->setEnabled(true);
  buttons_.at(QStringLiteral("icnHideSource"))->setVisible(false);
  buttons_.at(QStringLiteral("icnHideSource"))->setEnabled(false);
  Action(QStringLiteral("mnuViewSource"))->setVisible(true);
  Action(QStringLiteral("mnuViewSource"))->setEnabled(true);
  Action(QStringLiteral("mnuHideSource"))->setVisible(false);
  Action(QStringLiteral("mnuHideSource"))->setEnabled(false);
}

void MainWindow::EditTitles(bool from_double_click) {
  const int cols = model_->columnCount();
  QStringList titles;
  for (int c = 1; c <= cols; ++c) titles << BytesToText(document_.sheet.Cell(0, c));
  TitleEditor editor(titles, grid_->CurrentCol(), this);
  connect(&editor, &TitleEditor::KeyTyped, this, &MainWindow::MarkModified);
  if (title_editor_hook_) {
    QTimer::singleShot(0, &editor, [this, &editor] { title_editor_hook_(&editor); });
  }
  if (editor.exec() != QDialog::Accepted) return;
  // The editor's row holds the top-left cell first, which is not a title.
  std::vector<std::string> edited{std::string()};
  for (const QString& title : editor.Titles()) edited.push_back(title.toStdString());
  const QtTextMeasure measure(grid_->horizontalHeader()->font());
  const EditContext context = MakeEditContext(document_, measure);
  SheetChange change = SetTitles(context, edited);
  if (from_double_click && document_.options.title_size) change.Merge(FitColumnsToTitles(context));
  FinishEdit(document_, change);
}

QUrl MainWindow::LocalHelpUrl() const {
  const std::string path = InProgramFolder(document_.ProgramFolder(), "help/index.htm");
  return QUrl::fromLocalFile(QFileInfo(PathToText(path)).absoluteFilePath());
}

void MainWindow::ShowLocalHelp() {
  const QUrl page = LocalHelpUrl();
  if (open_url_(page)) return;
  // No browser on this desktop: the pages are plain HTML, our own window shows them.
  if (QFileInfo(page.toLocalFile()).isReadable()) {
    if (help_window_ == nullptr) help_window_ = new HelpWindow(this);
    help_window_->ShowPage(page);
    return;
  }
  document_.prompter().Error(
      "The help cannot be shown: no web browser is set up on this desktop, and the help file " +
      page.toLocalFile().toStdString() + " cannot be read.");
}

void MainWindow::ShowAbout() {
  AboutBox about([this](const QUrl& url) { open_url_(url); }, this);
  about.exec();
}

}  // namespace typelane::ui
