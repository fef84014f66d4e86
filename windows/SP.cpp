// TSetFrm: five pages of options bound to the option record; OK stores and applies, every close re-reads.
#include "windows/SP.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "platform/ui/QtColor.h"
#include "windows/CP.h"

namespace app {

namespace {

constexpr int kWidth = 540, kHeight = 640;

struct TCheck {
  int number;
  const char* caption;
  bool ViewerOptions::*field;
};

// The check boxes of each page in their order on the page.
const TCheck kGeneralTop[] = {
    {1, "Remember current file for next launch", &ViewerOptions::OpenLatsFileInNewSession},
    {4, "Ask to Save changes on exit if file change", &ViewerOptions::AskToSaveChangesOnExit},
};
const TCheck kGeneralFullScreen[] = {
    {14, "Enabled Full Screen Mode on opens files", &ViewerOptions::OnOpenFileFullScreen},
    {13, "Enabled Full Screen Mode on launch", &ViewerOptions::OnStartProgramFullScreen},
    {15, "Hide toolbar", &ViewerOptions::OnFullScreenHideToolBar},
    {16, "Hide status bar", &ViewerOptions::OnFullScreenHideStatusBar},
    {25, "Show File Path", &ViewerOptions::OnFullScreenShowFilePath},
    {29, "Always on Top", &ViewerOptions::SwitchToAlwaysOnTopOnFullScreen},
};
const TCheck kGeneralDelete[] = {
    {2, "Ask me before Deleting file", &ViewerOptions::ConfirmBeforeRemoveFile},
    {3, "Close Vantrel after file delete", &ViewerOptions::ExitAfterRemoveFile},
};
const TCheck kAdvanced[] = {
    {10, "Confirmation Exit", &ViewerOptions::ConfirmExit},
    {17, "Show Preview in Save Image Dialog", &ViewerOptions::PreviewButtonInSaveDialog},
    {19, "Auto width when opening a file", &ViewerOptions::AutoWidthWhenOpeningFile},
    {18, "Save Transparent on Exit", &ViewerOptions::SaveTransparentOnExit},
    {12, "Screen Snap", &ViewerOptions::ScreenSnap},
    {5, "Switching to full screen on pressing F11", &ViewerOptions::SwitchingToFullScreenOnF11},
    {27, "Exit from full screen on Esc down", &ViewerOptions::ExitFromFullScreenOnEsc},
    {28, "Exit from Vantrel on Esc down", &ViewerOptions::ExitOnEsc},
    {7, "Minimize to tray", &ViewerOptions::MinToTray},
    {8, "Double Click on tray icon to Open Window", &ViewerOptions::RestoreFromTrayOnDblClick},
    {9, "Minimize to tray on Close Window", &ViewerOptions::MinToTrayOnClose},
    {6, "Copy open file to Windows Clipboard", &ViewerOptions::CopyOpenFileToClipboard},
    {11, "Copy open file to home catalog on drag and drop", &ViewerOptions::CopyOpenFileToHomeCatalog},
    {30, "Ask to overwrite file for Save Dialog", &ViewerOptions::AskToOverwriteFileForSaveDialog},
};
const TCheck kSelection[] = {
    {20, "Animated", &ViewerOptions::SelAnimated},       {21, "Sizeable", &ViewerOptions::SelSizeable},
    {22, "Moveable", &ViewerOptions::SelMoveable},       {23, "Filled", &ViewerOptions::SelFilled},
    {24, "Cut Borders", &ViewerOptions::SelCutBorders},
};
const TCheck kOther[] = {
    {26, "Show only file name to external editor in main menu", &ViewerOptions::ShowOnlyFileNameToExternalEditor},
};

struct TRadio {
  int number;
  const char* caption;
  bool ViewerOptions::*field;
};
const TRadio kCaptionBar[] = {
    {1, "C:\\Picture\\image.bmp - Vantrel", &ViewerOptions::CaptionFileProgram},
    {2, "Vantrel - C:\\Picture\\image.bmp", &ViewerOptions::CaptionProgramFile},
    {3, "C:\\Picture\\image.bmp", &ViewerOptions::CaptionFile},
    {4, "Vantrel", &ViewerOptions::CaptionProgram},
};
const TRadio kTaskBar[] = {
    {5, "Picture\\image.bmp - Vantrel", &ViewerOptions::TaskBarFileProgram},
    {6, "Vantrel - Picture\\image.bmp", &ViewerOptions::TaskBarProgramFile},
    {7, "C:\\Picture\\image.bmp", &ViewerOptions::TaskBarFile},
    {8, "Vantrel", &ViewerOptions::TaskBarProgram},
};

struct TCheckPage {
  const TCheck* table;
  size_t count;
};
const TCheckPage kCheckPages[] = {
    {kGeneralTop, std::size(kGeneralTop)}, {kGeneralFullScreen, std::size(kGeneralFullScreen)},
    {kGeneralDelete, std::size(kGeneralDelete)}, {kAdvanced, std::size(kAdvanced)},
    {kSelection, std::size(kSelection)}, {kOther, std::size(kOther)},
};

// Each check box of the record, wherever it sits.
template <typename F>
void ForEachCheck(F f) {
  for (const TCheckPage& p : kCheckPages)
    for (size_t i = 0; i < p.count; ++i) f(p.table[i]);
}

template <typename F>
void ForEachRadio(F f) {
  for (const TRadio& r : kCaptionBar) f(r);
  for (const TRadio& r : kTaskBar) f(r);
}

// The list's index, or no selection for one outside it.
void SelectIndex(QComboBox* box, int index) { box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1); }

}  // namespace

TSetFrm::TSetFrm(const TSetFrmSetup& setup)
    : TSmallDialog(setup.owner, "Environment Options", kWidth, kHeight), setup_(setup) {
  PageControl = new QTabWidget(this);
  PageControl->setGeometry(8, 8, kWidth - 16, kHeight - 60);
  auto checks = [this](QWidget* parent, QBoxLayout* layout, const auto& table) {
    for (const TCheck& c : table) {
      ch[c.number] = new QCheckBox(c.caption, parent);
      ch[c.number]->setObjectName(QString("ch%1").arg(c.number));
      layout->addWidget(ch[c.number]);
    }
  };

  // --- General ---
  auto* general = new QWidget;
  auto* g = new QVBoxLayout(general);
  checks(general, g, kGeneralTop);
  auto* full = new QGroupBox("Full Screen Mode", general);
  auto* fl = new QVBoxLayout(full);
  checks(full, fl, kGeneralFullScreen);
  auto* colourRow = new QHBoxLayout;
  colourRow->addWidget(new QLabel("Color:", full));
  ColorPathBox = new QPushButton(full);
  ColorPathBox->setFixedSize(90, 22);
  colourRow->addWidget(ColorPathBox);
  colourRow->addStretch(1);
  fl->addLayout(colourRow);
  g->addWidget(full);
  checks(general, g, kGeneralDelete);
  auto* form = new QFormLayout;
  ScaleEdit = new QSpinBox(general);
  ScaleEdit->setRange(1, 100);
  ScaleEdit->setSingleStep(1);
  ScaleEdit->setValue(10);
  form->addRow("Increase/Decrease on", ScaleEdit);
  TransparentBar = new QSlider(Qt::Horizontal, general);
  TransparentBar->setRange(50, 255);
  TransparentBar->setValue(195);
  TransparentBar->setToolTip("Transparent");
  form->addRow("", TransparentBar);
  DoubleClickAreaBox = new QComboBox(general);
  DoubleClickAreaBox->addItems({"None", "Open File Dialog", "Save As File Dialog", "Save Image", "Copy to Clipboard",
                                "Edit in Ms Paint", "Information Dialog", "Full Screen", "Open Parameters",
                                "Quick Exit"});
  form->addRow("Double click area:", DoubleClickAreaBox);
  g->addLayout(form);
  auto* shortcut = new QGroupBox("Shortcut", general);
  auto* sl = new QHBoxLayout(shortcut);
  auto launcher = [this, shortcut, sl](const char* name, const char* caption, TLauncherPlace place) {
    auto* b = new QPushButton(caption, shortcut);
    b->setObjectName(name);
    sl->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, place] { ShortcutClick(place); });
    return b;
  };
  Desktop = launcher("Desktop", "Desktop", TLauncherPlace::Desktop);
  MenuPrograms = launcher("MenuPrograms", "Start Menu", TLauncherPlace::MenuPrograms);
  StartMenu = launcher("StartMenu", "Menu Programs", TLauncherPlace::StartMenu);
  Startup = launcher("Startup", "Startup", TLauncherPlace::Startup);
  SendTo = launcher("SendTo", "Send To", TLauncherPlace::SendTo);
  g->addWidget(shortcut);
  g->addStretch(1);
  PageControl->addTab(general, "General");

  // --- Advanced ---
  auto* advanced = new QWidget;
  auto* a = new QVBoxLayout(advanced);
  checks(advanced, a, kAdvanced);
  WheelZoomAtCursorBox = new QCheckBox("Zoom with the wheel about the mouse pointer", advanced);
  ZoomLadderBox = new QCheckBox("Increase/Decrease in the steps of the zoom ladder", advanced);
  a->addWidget(WheelZoomAtCursorBox);
  a->addWidget(ZoomLadderBox);
  auto* undoRow = new QFormLayout;
  UndoLevelsEdit = new QSpinBox(advanced);
  UndoLevelsEdit->setRange(1, 100);
  undoRow->addRow("Undo levels:", UndoLevelsEdit);
  a->addLayout(undoRow);
  a->addStretch(1);
  PageControl->addTab(advanced, "Advanced");

  // --- Caption ---
  auto* caption = new QWidget;
  auto* c = new QVBoxLayout(caption);
  auto radios = [this, c, caption](const char* title, const auto& table) {
    auto* box = new QGroupBox(title, caption);
    auto* l = new QVBoxLayout(box);
    for (const TRadio& r : table) {
      rb[r.number] = new QRadioButton(r.caption, box);
      rb[r.number]->setObjectName(QString("rb%1").arg(r.number));
      l->addWidget(rb[r.number]);
    }
    c->addWidget(box);
  };
  radios("Caption bar", kCaptionBar);
  radios("Task bar", kTaskBar);
  c->addStretch(1);
  PageControl->addTab(caption, "Caption");

  // --- Selection Options ---
  auto* selection = new QWidget;
  auto* s = new QVBoxLayout(selection);
  auto* mouse = new QFormLayout;
  MouseInteractBox = new QComboBox(selection);
  MouseInteractBox->addItems({"Scroll", "Select", "Select Polygon", "Select Circle", "Select Zoom",
                              "Select Magic Wand", "Select Lasso"});
  mouse->addRow("Mouse Interact:", MouseInteractBox);
  s->addLayout(mouse);
  checks(selection, s, kSelection);
  s->addStretch(1);
  PageControl->addTab(selection, "Selection Options");

  // --- Other ---
  auto* other = new QWidget;
  auto* o = new QVBoxLayout(other);
  auto* editors = new QGroupBox("Set External Editors", other);
  auto* el = new QGridLayout(editors);
  for (int i = 0; i < 3; ++i) {
    el->addWidget(new QLabel(QString("%1:").arg(i + 1), editors), i, 0);
    ExternalEditors[i] = new QLineEdit(editors);
    el->addWidget(ExternalEditors[i], i, 1);
    Browser[i] = new QPushButton("Browser", editors);
    el->addWidget(Browser[i], i, 2);
    connect(Browser[i], &QPushButton::clicked, this, [this, i] { BrowserClick(i); });
  }
  o->addWidget(editors);
  checks(other, o, kOther);
  auto* style = new QFormLayout;
  StyleMenuBox = new QComboBox(other);
  StyleMenuBox->addItems({"Custom", "MSOffice", "System"});
  style->addRow("Menu Style", StyleMenuBox);
  o->addLayout(style);
  auto* clear = new QGridLayout;
  auto clearButton = [&](const char* label, int column) {
    clear->addWidget(new QLabel(label, other), 0, column);
    auto* b = new QPushButton("Clear", other);
    clear->addWidget(b, 1, column);
    return b;
  };
  RecentFiles = clearButton("Recent Files:", 0);
  Bookmarks = clearButton("Bookmarks:", 1);
  ExternalEditorsClear = clearButton("External Editors:", 2);
  o->addLayout(clear);
  o->addStretch(1);
  PageControl->addTab(other, "Other");

  AddOkCancel(kWidth - 8 - 171, kHeight - 42, OK, Cancel, false);
  connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
  connect(ch[2], &QCheckBox::toggled, this, [this] { ch2Click(); });
  connect(ColorPathBox, &QPushButton::clicked, this, [this] { ColorPathBoxClick(); });
  connect(ExternalEditorsClear, &QPushButton::clicked, this, [this] { ExternalEditorsClick(); });
  // The two lists change at once, whatever closes the window.
  connect(RecentFiles, &QPushButton::clicked, this, [this] {
    if (setup_.clearRecent) setup_.clearRecent();
  });
  connect(Bookmarks, &QPushButton::clicked, this, [this] {
    if (setup_.clearBookmarks) setup_.clearBookmarks();
  });

  // FormCreate: the window keeps its settings object until the program ends.
  if (!setup_.settingsPath.empty()) ini_ = std::make_unique<TIniFile>(setup_.settingsPath);
  ReadKeys();
}

void TSetFrm::ReadKeys() {
  ViewerOptions& o = *setup_.options;
  if (ini_) {
    try {
      ini_->Reload();
    } catch (...) {
      // An unreadable file leaves the last confirmed options.
    }
    o.ReadOptions(*ini_);
  }
  ControlsFromOptions();
}

void TSetFrm::ControlsFromOptions() {
  const ViewerOptions& o = *setup_.options;
  ForEachCheck([&](const TCheck& c) { ch[c.number]->setChecked(o.*c.field); });
  // A radio button is switched off only by checking another of its group.
  ForEachRadio([&](const TRadio& r) {
    rb[r.number]->setAutoExclusive(false);
    rb[r.number]->setChecked(o.*r.field);
    rb[r.number]->setAutoExclusive(true);
  });
  TransparentBar->setValue(o.TransparentValue);
  ScaleEdit->setValue(int(std::lround(o.IncreaseDecreaseScale)));
  SelectIndex(DoubleClickAreaBox, o.DoubleClickArea);
  SetPathColor(uint32_t(o.ColorLabelOnFullScreen));
  SelectIndex(StyleMenuBox, o.StyleMenu);
  SelectIndex(MouseInteractBox, o.SelMouseInteract);
  ExternalEditors[0]->setText(QString::fromStdString(o.ExternalEditor1));
  ExternalEditors[1]->setText(QString::fromStdString(o.ExternalEditor2));
  ExternalEditors[2]->setText(QString::fromStdString(o.ExternalEditor3));
  UndoLevelsEdit->setValue(o.UndoLevels);
  WheelZoomAtCursorBox->setChecked(o.WheelZoomAtCursor);
  ZoomLadderBox->setChecked(o.ZoomLadder);
  ch2Click();
}

void TSetFrm::OptionsFromControls() {
  ViewerOptions& o = *setup_.options;
  ForEachCheck([&](const TCheck& c) { o.*c.field = ch[c.number]->isChecked(); });
  ForEachRadio([&](const TRadio& r) { o.*r.field = rb[r.number]->isChecked(); });
  o.TransparentValue = TransparentBar->value();
  o.IncreaseDecreaseScale = ScaleEdit->value();
  o.DoubleClickArea = DoubleClickAreaBox->currentIndex();
  o.ColorLabelOnFullScreen = int(pathColor_);
  o.StyleMenu = StyleMenuBox->currentIndex();
  o.SelMouseInteract = MouseInteractBox->currentIndex();
  o.ExternalEditor1 = ExternalEditors[0]->text().toStdString();
  o.ExternalEditor2 = ExternalEditors[1]->text().toStdString();
  o.ExternalEditor3 = ExternalEditors[2]->text().toStdString();
  o.UndoLevels = UndoLevelsEdit->value();
  o.WheelZoomAtCursor = WheelZoomAtCursorBox->isChecked();
  o.ZoomLadder = ZoomLadderBox->isChecked();
}

void TSetFrm::SetPathColor(uint32_t colour) {
  pathColor_ = colour & 0xFFFFFF;
  ColorPathBox->setStyleSheet(QString("background-color: %1;").arg(platform::ToQColor(gfx::TColor(pathColor_)).name()));
}

void TSetFrm::showEvent(QShowEvent* e) {
  if (DoubleClickAreaBox->currentIndex() < 0) DoubleClickAreaBox->setCurrentIndex(0);
  if (MouseInteractBox->currentIndex() < 0) MouseInteractBox->setCurrentIndex(1);
  if (StyleMenuBox->currentIndex() < 0) StyleMenuBox->setCurrentIndex(2);
  ch2Click();
  TSmallDialog::showEvent(e);
}

// "Close after delete" means nothing without the question before it; its mark is kept.
void TSetFrm::ch2Click() { ch[3]->setEnabled(ch[2]->isChecked()); }

void TSetFrm::ColorPathBoxClick() {
  if (!setup_.services.ui) return;
  if (std::optional<uint32_t> chosen = setup_.services.ui->ChooseColor(pathColor_, TBackgroundFrm::kCustomColors))
    SetPathColor(*chosen);
}

void TSetFrm::BrowserClick(int i) {
  if (!setup_.services.ui || i < 0 || i > 2) return;
  const std::vector<std::string> chosen =
      setup_.services.ui->ChooseFilesToOpen("Open", "Programs|*", "", false);
  if (!chosen.empty()) ExternalEditors[i]->setText(QString::fromStdString(chosen.front()));
}

void TSetFrm::ExternalEditorsClick() {
  for (QLineEdit* e : ExternalEditors) e->clear();
}

void TSetFrm::ShortcutClick(TLauncherPlace place) {
  const std::string program = setup_.programPath.empty()
                                  ? QCoreApplication::applicationFilePath().toStdString()
                                  : setup_.programPath;
  CreateLauncher(place, program, setup_.launcherFolders ? *setup_.launcherFolders : TLauncherFolders::FromEnvironment());
}

void TSetFrm::OKClick() {
  OptionsFromControls();
  try {
    if (ini_) setup_.options->SaveOptions(*ini_);
  } catch (const std::exception& e) {
    // The options hold for this run; the user learns they will not come back.
    keepConfirmed_ = true;
    if (setup_.services.ui)
      setup_.services.ui->MessageBox("Vantrel", e.what(), platform::TMsgButtons::Ok, platform::TMsgKind::Error);
  }
  if (setup_.currentFile && !setup_.currentFile().empty() && setup_.applyOptions) setup_.applyOptions();
  accept();
}

void TSetFrm::CancelClick() { reject(); }

// Every way of closing re-reads the file: after OK it holds what was just written, else the edits go.
void TSetFrm::done(int result) {
  if (!keepConfirmed_) ReadKeys();
  keepConfirmed_ = false;
  TSmallDialog::done(result);
}

}  // namespace app
