// The controls of the main window that exist before FormCreate runs: the
// sheet area with its design inputs, the comparison panel, the lower pages
// and the menus. Positions are absolute inside the three areas.

#include <qcustomplot.h>

#include "app/analysis/analysis_texts.h"
#include "app/common/application.h"
#include "app/common/fonts.h"
#include "app/common/ui_texts.h"
#include "app/main_window/form_main.h"
#include "app/requirement/requirement_menu.h"

namespace kelvara::app {

namespace {

constexpr double kAreaFontPoints = 10;

template <typename W>
W* Make(QWidget* parent, const char* name) {
  auto* widget = new W(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top) {
  auto* label = Make<QLabel>(parent, name);
  label->setText(QString(caption));
  label->move(left, top);
  label->adjustSize();
  return label;
}

template <std::size_t N>
QComboBox* MakeList(QWidget* parent, const char* name, const std::array<const char*, N>& items, QRect geometry) {
  auto* box = Make<QComboBox>(parent, name);
  for (const char* item : items) box->addItem(QString(item));
  box->setCurrentIndex(0);
  box->setGeometry(geometry);
  return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = Make<QPushButton>(parent, name);
  button->setText(QString(caption));
  button->setGeometry(geometry);
  return button;
}

}  // namespace

void TFormMain::CreateDesignTimeControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("FormMainClient"));
  client->setMinimumSize(793, 617);
  setCentralWidget(client);

  CreateSheetArea();
  CreateComparisonPanel();
  CreatePages();
  CreateMenus();
  ConnectDesignTimeHandlers();
  CreateResponseChart();
}

void TFormMain::CreateSheetArea() {
  TabDesign = Make<TTabControl>(centralWidget(), "TabDesign");
  TabDesign->setGeometry(0, 0, 585, 361);
  TabDesign->setFont(MinchoFont(kAreaFontPoints));
  TabDesign->Tabs()->setObjectName(QStringLiteral("TabDesign_tabs"));
  for (const char* caption : text::kSheetTabs) TabDesign->Tabs()->addTab(QString(caption));
  TabDesign->SetTabIndex(0);

  QWidget* area = TabDesign;
  // First row: filter kind, cut-off frequency, circuit.
  Label2 = MakeLabel(area, "Label2", text::kPassKindCaption, 12, 37);
  CBox_HPFLPF = MakeList(area, "CBox_HPFLPF", text::kPassKinds, {78, 33, 62, 22});
  Label3 = MakeLabel(area, "Label3", text::kCutoffCaption, 152, 37);
  Edit_Frequency = Make<QLineEdit>(area, "Edit_Frequency");
  Edit_Frequency->setGeometry(264, 33, 84, 22);
  Edit_Frequency->setToolTip(QString(text::kCutoffHint));
  Label4 = MakeLabel(area, "Label4", text::kHz, 351, 37);
  Label5 = MakeLabel(area, "Label5", text::kCircuitCaption, 384, 37);
  CBox_Circuit = MakeList(area, "CBox_Circuit", std::array{text::kCircuitSallenKey}, {440, 33, 138, 22});

  // Second row: order, response type, ripple.
  Label6 = MakeLabel(area, "Label6", text::kOrderCaption, 12, 67);
  CBox_Jisuu = MakeList(area, "CBox_Jisuu", text::kOrders, {50, 63, 62, 22});
  Label7 = MakeLabel(area, "Label7", text::kResponseCaption, 128, 67);
  CBox_gensui = MakeList(area, "CBox_gensui", text::kResponses, {186, 63, 118, 22});
  Label_ripple = MakeLabel(area, "Label_ripple", text::kRippleCaption, 320, 67);
  CBox_ripple = MakeList(area, "CBox_ripple", text::kRipples, {364, 63, 78, 22});
  Label_ripple->setEnabled(false);
  CBox_ripple->setEnabled(false);

  // Right column: the value restriction, the calculation and the response.
  GBox_E12 = Make<QGroupBox>(area, "GBox_E12");
  GBox_E12->setTitle(QString(text::kConstantsCaption));
  GBox_E12->setGeometry(466, 94, 112, 128);
  Label8 = MakeLabel(GBox_E12, "Label8", text::kDesignWith, 26, 36);
  Label9 = MakeLabel(GBox_E12, "Label9", text::kDesignWith, 26, 74);
  for (QLabel* label : {Label8, Label9}) label->setFont(MinchoFont(9));
  for (QLabel* label : {Label8, Label9}) label->adjustSize();
  CBox_NoProblem = Make<QCheckBox>(GBox_E12, "CBox_NoProblem");
  CBox_NoProblem->setText(QString(text::kAnyValues));
  CBox_NoProblem->setGeometry(8, 100, 100, 20);
  CBox_NoProblem->setChecked(true);

  ButtonValset = MakeButton(area, "ButtonValset", text::kValset, {466, 230, 112, 30});
  PBar = Make<QProgressBar>(area, "PBar");
  PBar->setGeometry(466, 266, 112, 14);
  PBar->setRange(0, 100);
  PBar->setValue(0);
  PBar->setTextVisible(false);
  ButtonStop = MakeButton(area, "ButtonStop", text::kStop, {466, 286, 112, 28});
  ButtonStop->setEnabled(false);
  ButtonFreq = MakeButton(area, "ButtonFreq", text::kFreq, {466, 322, 112, 30});
}

void TFormMain::CreateComparisonPanel() {
  PanelHikaku = Make<QFrame>(centralWidget(), "PanelHikaku");
  PanelHikaku->setGeometry(592, 0, 201, 361);
  PanelHikaku->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PanelHikaku->setFont(MinchoFont(kAreaFontPoints));
  Label33 = MakeLabel(PanelHikaku, "Label33", text::kCompareTitle, 8, 8);
  Label14 = MakeLabel(PanelHikaku, "Label14", text::kCutoff3dB, 88, 41);
  ButtonFreq8 = MakeButton(PanelHikaku, "ButtonFreq8", text::kFreq8, {54, 312, 89, 33});
}

void TFormMain::CreatePages() {
  PageControl1 = Make<QTabWidget>(centralWidget(), "PageControl1");
  PageControl1->setGeometry(0, 368, 793, 249);
  PageControl1->setFont(MinchoFont(kAreaFontPoints));
  TabSheet_manual = Make<QWidget>(nullptr, "TabSheet_manual");
  TabSheet_f_Toku = Make<QWidget>(nullptr, "TabSheet_f_Toku");
  PageControl1->addTab(TabSheet_manual, QString(text::kPageCircuit));
  PageControl1->addTab(TabSheet_f_Toku, QString(text::kPageResponse));

  Image1 = Make<QLabel>(TabSheet_manual, "Image1");
  Image1->setGeometry(36, 4, 715, 210);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // The chart is configured by the response feature; here it only takes its
  // place beside the axis choices.
  Chart1 = Make<QCustomPlot>(TabSheet_f_Toku, "Chart1");
  Chart1->setGeometry(104, 0, 681, 225);
  Chart1->setContextMenuPolicy(Qt::CustomContextMenu);

  Label_YBig = MakeLabel(TabSheet_f_Toku, "Label_YBig", text::kYMax, 16, 16);
  Label_Ysmall = MakeLabel(TabSheet_f_Toku, "Label_Ysmall", text::kYMin, 16, 64);
  Label_XBig = MakeLabel(TabSheet_f_Toku, "Label_XBig", text::kXMax, 16, 128);
  Label_Xsmall = MakeLabel(TabSheet_f_Toku, "Label_Xsmall", text::kXMin, 16, 176);
  CBox_YBig = MakeList(TabSheet_f_Toku, "CBox_YBig", text::kYBigItems, {8, 32, 81, 21});
  CBox_Ysmall = MakeList(TabSheet_f_Toku, "CBox_Ysmall", text::kYSmallItems, {8, 80, 81, 21});
  CBox_XBig = MakeList(TabSheet_f_Toku, "CBox_XBig", text::kXBigItems, {8, 144, 81, 21});
  CBox_Xsmall = MakeList(TabSheet_f_Toku, "CBox_Xsmall", text::kXSmallItems, {8, 192, 81, 21});
  for (QComboBox* box : {CBox_YBig, CBox_Ysmall}) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
  }
  CBox_YBig->setCurrentIndex(2);  // "0"
  CBox_Ysmall->setCurrentIndex(-1);
  PageControl1->setCurrentWidget(TabSheet_f_Toku);
}

void TFormMain::CreateMenus() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  setMenuBar(MainMenu1);
  auto addAction = [this](QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  menuFile = MainMenu1->addMenu(QString(text::kMenuFile));
  menuFile->setObjectName(QStringLiteral("menuFile"));
  menuOpenFile = addAction(menuFile, "menuOpenFile", text::kMenuOpen);
  menuOpenFileAll = addAction(menuFile, "menuOpenFileAll", text::kMenuOpenAll);
  menuSaveFile = addAction(menuFile, "menuSaveFile", text::kMenuSave);
  menuSaveFileAll = addAction(menuFile, "menuSaveFileAll", text::kMenuSaveAll);
  CreateExportMenu();
  menuAnalysis = MainMenu1->addMenu(QString(analysis_text::kMenuAnalysis));
  menuAnalysis->setObjectName(QStringLiteral("menuAnalysis"));
  menuDesignAnalysis = addAction(menuAnalysis, "menuDesignAnalysis", analysis_text::kMenuDesignAnalysis);
  menuDesignAnalysis->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  AddRequirementMenu(*this, *menuAnalysis, settingsStore_);
  menuSettings = MainMenu1->addMenu(QString(text::kMenuSettings));
  menuSettings->setObjectName(QStringLiteral("menuSettings"));
  menuSeriesOptions = addAction(menuSettings, "menuSeriesOptions", text::kMenuSeriesOptions);
  menuHelp = MainMenu1->addMenu(QString(text::kMenuHelp));
  menuHelp->setObjectName(QStringLiteral("menuHelp"));
  menuAboutUseTorisetsu = addAction(menuHelp, "menuAboutUseTorisetsu", text::kMenuManual);
  menuVerHelp = addAction(menuHelp, "menuVerHelp", text::kMenuVersion);
  AddFileMenuShortcutsAndExit();

  ColorDialog1 = new QColorDialog(this);
  ColorDialog1->setObjectName(QStringLiteral("ColorDialog1"));
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PopUP_color = addAction(PopupMenu1, "PopUP_color", text::kPopupColor);
}

void TFormMain::ConnectDesignTimeHandlers() {
  connect(TabDesign, &TTabControl::Changing, this,
          [this](int leaving) { RunGuarded([&] { TabDesignChanging(leaving); }); });
  connect(TabDesign, &TTabControl::Change, this,
          [this](int entered) { RunGuarded([&] { TabDesignChange(entered); }); });

  // Combo boxes react to the user's choice only (activated), never to a
  // selection made from code; edits react to every text change.
  ConnectHandler(CBox_HPFLPF, &QComboBox::activated, this, &TFormMain::CBox_HPFLPFChange);
  ConnectHandler(Edit_Frequency, &QLineEdit::textChanged, this, &TFormMain::Edit_FrequencyChange);
  ConnectHandler(CBox_Circuit, &QComboBox::activated, this, &TFormMain::CBox_CircuitChange);
  ConnectHandler(CBox_Jisuu, &QComboBox::activated, this, &TFormMain::CBox_JisuuChange);
  CBox_Jisuu->installEventFilter(this);
  ConnectHandler(CBox_gensui, &QComboBox::activated, this, &TFormMain::CBox_gensuiChange);
  ConnectHandler(CBox_ripple, &QComboBox::activated, this, &TFormMain::CBox_rippleChange);
  ConnectHandler(CBox_NoProblem, &QCheckBox::clicked, this, &TFormMain::CBox_NoProblemClick);

  ConnectHandler(ButtonValset, &QPushButton::clicked, this, &TFormMain::ButtonValsetClick);
  ConnectHandler(ButtonStop, &QPushButton::clicked, this, &TFormMain::ButtonStopClick);
  ConnectHandler(ButtonFreq, &QPushButton::clicked, this, &TFormMain::ButtonFreqClick);
  ConnectHandler(ButtonFreq8, &QPushButton::clicked, this, &TFormMain::ButtonFreq8Click);
  ConnectHandler(PopUP_color, &QAction::triggered, this, &TFormMain::PopUP_colorClick);

  ConnectHandler(menuOpenFile, &QAction::triggered, this, &TFormMain::menuOpenFileClick);
  ConnectHandler(menuOpenFileAll, &QAction::triggered, this, &TFormMain::menuOpenFileAllClick);
  ConnectHandler(menuSaveFile, &QAction::triggered, this, &TFormMain::menuSaveFileClick);
  ConnectHandler(menuSaveFileAll, &QAction::triggered, this, &TFormMain::menuSaveFileAllClick);
  ConnectHandler(menuAboutUseTorisetsu, &QAction::triggered, this, &TFormMain::menuAboutUseTorisetsuClick);
  ConnectHandler(menuVerHelp, &QAction::triggered, this, &TFormMain::menuVerHelpClick);
  ConnectHandler(menuDesignAnalysis, &QAction::triggered, this, &TFormMain::menuDesignAnalysisClick);
  ConnectHandler(menuSeriesOptions, &QAction::triggered, this, &TFormMain::menuSeriesOptionsClick);

  connect(Chart1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { OpenPopupMenu(Chart1, pos); });
}

void TFormMain::OpenPopupMenu(QWidget* component, const QPoint& localPos) {
  PopupComponent = component;
  PopupMenu1->popup(component->mapToGlobal(localPos));
}

}  // namespace kelvara::app
