// The sheets built of sections: a circuit after the unity-gain Sallen-Key
// (多重帰還（MFB）, サレン・キー（利得付き）) or the pass kind BPF. Their
// sheet shows, in place of the sixteen part groups, the gain, the
// bandwidth of a band-pass sheet, the stage gains and order, and a table of
// the design's parts (name, value, fixed, stage, role).

#include <QHeaderView>
#include <QPixmap>
#include <cmath>
#include <map>
#include <optional>

#include "app/common/application.h"
#include "app/common/ui_texts.h"
#include "app/main_window/form_main.h"
#include "app/main_window/section_texts.h"
#include "engine/run_checks.h"
#include "schematic/sections_schematic.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::app {

namespace {

enum Column { kName, kValue, kFixed, kStage, kRole };

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top) {
  auto* label = new QLabel(QString(caption), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry, const char* hint) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(geometry);
  edit->setToolTip(QString(hint));
  return edit;
}

/// What each role of the sections' layouts does, for the table.
QString RoleText(const std::string& role) {
  static const std::map<std::string, const char*> kRoles = {
      {"R", "R（RC）"},       {"C", "C（RC）"},        {"Ra", "Ra（入力側）"},  {"Rb", "Rb（出力側）"},
      {"Ca", "Ca（帰還）"},   {"Cb", "Cb（対地）"},    {"Rf", "Rf（帰還）"},    {"Rg", "Rg（利得・対地）"},
      {"Rin", "Rin（入力）"}, {"Rm", "Rm（−入力へ）"}, {"Rs", "Rs（対地）"},    {"Rd", "Rd（入力分圧）"},
      {"Cin", "Cin（入力）"}, {"Cf", "Cf（帰還）"},    {"Cm", "Cm（−入力へ）"}, {"Cs", "Cs（対地）"},
  };
  const auto found = kRoles.find(role);
  return found == kRoles.end() ? QString::fromStdString(role) : QString(found->second);
}

QString Shown(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void TFormMain::CreateSectionControls() {
  // The lists gain the choices of sections after their own items.
  for (std::size_t i = values::kPassKindCount; i < section_text::kPassKinds.size(); ++i) {
    CBox_HPFLPF->addItem(QString(section_text::kPassKinds[i]));
  }
  for (std::size_t i = values::kCircuitCount; i < section_text::kCircuits.size(); ++i) {
    CBox_Circuit->addItem(QString(section_text::kCircuits[i]));
  }
  for (int i = 0; i < CBox_Circuit->count(); ++i)
    CBox_Circuit->setItemData(i, CBox_Circuit->itemText(i), Qt::ToolTipRole);

  PanelSections = new QWidget(TabDesign);
  PanelSections->setObjectName(QStringLiteral("PanelSections"));
  PanelSections->setGeometry(16, 96, 441, 258);
  PanelSections->setVisible(false);
  QWidget* p = PanelSections;
  Label_Gain = MakeLabel(p, "Label_Gain", section_text::kGainCaption, 0, 4);
  Edit_Gain = MakeEdit(p, "Edit_Gain", {36, 0, 60, 22}, section_text::kGainHint);
  Edit_Gain->setText(QStringLiteral("1"));
  Label_GainUnit = MakeLabel(p, "Label_GainUnit", section_text::kTimes, 100, 4);
  Label_Sign = MakeLabel(p, "Label_Sign", "", 128, 4);
  Label_Sign->setFixedWidth(300);
  Label_Bandwidth = MakeLabel(p, "Label_Bandwidth", section_text::kBandwidthCaption, 0, 32);
  Edit_Bandwidth = MakeEdit(p, "Edit_Bandwidth", {50, 28, 84, 22}, section_text::kBandwidthHint);
  Label_BandwidthHz = MakeLabel(p, "Label_BandwidthHz", text::kHz, 138, 32);
  Label_StageGains = MakeLabel(p, "Label_StageGains", section_text::kStageGainsCaption, 0, 32);
  Edit_StageGains = MakeEdit(p, "Edit_StageGains", {64, 28, 110, 22}, section_text::kStageGainsHint);
  Label_StageOrder = MakeLabel(p, "Label_StageOrder", section_text::kStageOrderCaption, 186, 32);
  CBox_StageOrder = new QComboBox(p);
  CBox_StageOrder->setObjectName(QStringLiteral("CBox_StageOrder"));
  for (const char* item : section_text::kStageOrders) CBox_StageOrder->addItem(QString(item));
  CBox_StageOrder->setGeometry(236, 28, 150, 22);
  CBox_StageOrder->setToolTip(QString(section_text::kStageOrderHint));

  TableSectionParts = new QTableWidget(0, static_cast<int>(section_text::kPartColumns.size()), p);
  TableSectionParts->setObjectName(QStringLiteral("TableSectionParts"));
  TableSectionParts->setGeometry(0, 56, 441, 202);
  QStringList headers;
  for (const char* h : section_text::kPartColumns) headers << QString(h);
  TableSectionParts->setHorizontalHeaderLabels(headers);
  TableSectionParts->verticalHeader()->setVisible(false);
  TableSectionParts->verticalHeader()->setDefaultSectionSize(20);
  TableSectionParts->setColumnWidth(kName, 50);
  TableSectionParts->setColumnWidth(kValue, 96);
  TableSectionParts->setColumnWidth(kFixed, 40);
  TableSectionParts->setColumnWidth(kStage, 32);
  TableSectionParts->horizontalHeader()->setStretchLastSection(true);
  TableSectionParts->setSelectionMode(QAbstractItemView::SingleSelection);

  ConnectHandler(Edit_Gain, &QLineEdit::textChanged, this, &TFormMain::Edit_GainChange);
  ConnectHandler(Edit_Bandwidth, &QLineEdit::textChanged, this, &TFormMain::Edit_GainChange);
  ConnectHandler(Edit_StageGains, &QLineEdit::textChanged, this, &TFormMain::Edit_GainChange);
  ConnectHandler(CBox_StageOrder, &QComboBox::activated, this, &TFormMain::CBox_StageOrderChange);
  ConnectHandler(TableSectionParts, &QTableWidget::itemChanged, this, &TFormMain::TableSectionPartsChange);
}

bool TFormMain::ControlsNeedSections() const {
  return values::NeedsSections(CBox_HPFLPF->currentIndex(), CBox_Circuit->currentIndex());
}

bool TFormMain::SectionsShown() const { return ControlsNeedSections(); }

void TFormMain::ShowSectionControls() {
  const bool sections = ControlsNeedSections();
  const bool bpf = CBox_HPFLPF->currentIndex() == values::kPassKindBpf;
  PanelSections->setVisible(sections);
  const int order = CBox_Jisuu->currentIndex();
  for (int k = 0; k < kPartCount; ++k) {
    const bool used = !sections && (k < 2 || k <= order + 1);
    groupR[k].box->setVisible(used);
    groupC[k].box->setVisible(used);
  }
  Label3->setText(QString(bpf ? section_text::kCenterCaption : text::kCutoffCaption));
  Label3->adjustSize();
  for (QWidget* w : {static_cast<QWidget*>(Label_Bandwidth), static_cast<QWidget*>(Edit_Bandwidth),
                     static_cast<QWidget*>(Label_BandwidthHz)}) {
    w->setVisible(bpf);
  }
  for (QWidget* w : {static_cast<QWidget*>(Label_StageGains), static_cast<QWidget*>(Edit_StageGains),
                     static_cast<QWidget*>(Label_StageOrder), static_cast<QWidget*>(CBox_StageOrder)}) {
    w->setVisible(!bpf);
  }
  // A band-pass filter is built of MFB sections only.
  CBox_Circuit->setEnabled(!CBox_HPFLPF->testAttribute(Qt::WA_ForceDisabled) && !bpf);
}

response::SectionSheetChoices TFormMain::CaptureSectionChoices() const {
  return {CBox_HPFLPF->currentIndex(), Edit_Frequency->text().toStdString(), CBox_Circuit->currentIndex(),
          CBox_Jisuu->currentIndex(),  CBox_gensui->currentIndex(),          CBox_ripple->currentIndex(),
          CBox_NoProblem->isChecked()};
}

values::SectionLines TFormMain::CaptureSectionLines() const {
  values::SectionLines lines;
  lines.gain = Edit_Gain->text().toStdString();
  lines.bandwidth = Edit_Bandwidth->text().toStdString();
  lines.stageGains = Edit_StageGains->text().toStdString();
  lines.stageOrder = std::max(0, CBox_StageOrder->currentIndex());
  for (int row = 0; row < TableSectionParts->rowCount(); ++row) {
    const QTableWidgetItem* name = TableSectionParts->item(row, kName);
    const QTableWidgetItem* value = TableSectionParts->item(row, kValue);
    const QTableWidgetItem* fixed = TableSectionParts->item(row, kFixed);
    if (name == nullptr) continue;
    lines.parts.push_back({name->text().toStdString(), value ? value->text().toStdString() : std::string(),
                           !(fixed && fixed->checkState() == Qt::Checked)});
  }
  return lines;
}

namespace {

void FillRow(QTableWidget& table, int row, const values::SectionPartLine& line, const QString& stage,
             const QString& role) {
  auto fixedItem = [](const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
  };
  table.setItem(row, kName, fixedItem(Shown(line.name)));
  table.setItem(row, kValue, new QTableWidgetItem(Shown(line.value)));
  auto* fixed = new QTableWidgetItem();
  fixed->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  fixed->setCheckState(line.autoValue ? Qt::Unchecked : Qt::Checked);
  table.setItem(row, kFixed, fixed);
  table.setItem(row, kStage, fixedItem(stage));
  table.setItem(row, kRole, fixedItem(role));
}

}  // namespace

void TFormMain::LoadSectionLines(const values::SectionLines& lines) {
  fillingSectionParts_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{fillingSectionParts_};
  Edit_Gain->setText(Shown(lines.gain));
  Edit_Bandwidth->setText(Shown(lines.bandwidth));
  Edit_StageGains->setText(Shown(lines.stageGains));
  CBox_StageOrder->setCurrentIndex(lines.stageOrder == 1 ? 1 : 0);
  TableSectionParts->setRowCount(static_cast<int>(lines.parts.size()));
  for (int row = 0; row < static_cast<int>(lines.parts.size()); ++row) {
    FillRow(*TableSectionParts, row, lines.parts[static_cast<std::size_t>(row)], QString(), QString());
  }
}

void TFormMain::ResetSectionLines() { LoadSectionLines(values::SectionLines{}); }

std::optional<response::SectionSheetPlan> TFormMain::PlanOfControls(double* gain) const {
  response::SectionSheetChoices choices = CaptureSectionChoices();
  values::SectionLines lines = CaptureSectionLines();
  // The parts follow from the choices before a frequency or a bandwidth has
  // been typed: the stages' forms and order do not depend on them.
  const double f = values::ParseEngValue(choices.cutoffText);
  if (!(f >= engine::kMinCutoffHz && f <= engine::kMaxCutoffHz)) choices.cutoffText = "1k";
  const double shownF = values::ParseEngValue(choices.cutoffText);
  const double b = values::ParseEngValue(lines.bandwidth);
  if (!(b >= shownF / 1000) || !std::isfinite(b)) lines.bandwidth = values::FormatGeneral(shownF / 5);
  const auto sheet = response::ReadSectionSheet(choices, lines);
  if (values::ProblemOf(sheet) != nullptr) return std::nullopt;
  auto plan = response::PlanSectionSheet(std::get<response::SectionSheet>(sheet));
  if (values::ProblemOf(plan) != nullptr) return std::nullopt;
  if (gain != nullptr) *gain = std::get<response::SectionSheet>(sheet).gain;
  return std::get<response::SectionSheetPlan>(std::move(plan));
}

void TFormMain::RebuildSectionParts() {
  if (!ControlsNeedSections()) return;
  const values::SectionLines lines = CaptureSectionLines();
  double gain = 1;
  const std::optional<response::SectionSheetPlan> planned = PlanOfControls(&gain);
  if (!planned) return;
  const response::SectionSheetPlan& p = *planned;
  const std::vector<response::SectionSheetPart> parts = response::SectionSheetParts(p);

  fillingSectionParts_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{fillingSectionParts_};
  TableSectionParts->setRowCount(static_cast<int>(parts.size()));
  for (int row = 0; row < static_cast<int>(parts.size()); ++row) {
    const response::SectionSheetPart& part = parts[static_cast<std::size_t>(row)];
    values::SectionPartLine line{part.name, "", true};
    for (const values::SectionPartLine& old : lines.parts) {
      if (old.name == part.name) line = old;
    }
    FillRow(*TableSectionParts, row, line, QString::number(part.stage + 1), RoleText(part.role));
  }
  // Every MFB section inverts: the filter's sign is that of their count.
  int inverting = 0;
  for (const engine::StagePlan& stage : p.stages) inverting += engine::StageFormInverting(stage.form) ? 1 : 0;
  if (p.bandPass) inverting = static_cast<int>(p.bandStages.size());
  Label_Sign->setText(QString(inverting % 2 == 1 ? section_text::kInverting : section_text::kNonInverting)
                          .arg(QString::fromStdString(values::FormatGeneral(gain))));
}

void TFormMain::ShowSectionsPicture() {
  const std::optional<response::SectionSheetPlan> plan = PlanOfControls(nullptr);
  if (!plan) return;
  const std::vector<response::Section> sections = response::SectionsOfSheet(*plan, {});
  Image1->setPixmap(QPixmap::fromImage(schematic::DrawSectionsSchematic(sections)));
}

void TFormMain::Edit_GainChange() {
  if (fillingSectionParts_) return;
  PBar->setValue(0);
  RebuildSectionParts();
  ShowSectionsPicture();
}

void TFormMain::CBox_StageOrderChange() {
  PBar->setValue(0);
  RebuildSectionParts();
  ShowSectionsPicture();
}

void TFormMain::TableSectionPartsChange() {
  if (fillingSectionParts_) return;
  PBar->setValue(0);
}

void TFormMain::DeliverSectionsRun(int sheet, const SectionsRunResult& result) {
  const bool onScreen = ShownSheet() == sheet;
  if (onScreen) {
    ButtonStop->setEnabled(false);
    EnableDesignInputs();
    ButtonValset->setEnabled(true);
    ButtonFreq->setEnabled(true);
  }
  auto valueText = [](const std::string& name, double v) {
    return name.front() == 'R' ? values::FormatResistanceDisplay(v) : values::FormatCapacitance(v);
  };
  if (result.failed || !result.valid) {
    if (!onScreen) MakeRecordIdle(sheet);
  } else if (onScreen) {
    fillingSectionParts_ = true;
    for (int row = 0; row < TableSectionParts->rowCount(); ++row) {
      const std::string name = TableSectionParts->item(row, kName)->text().toStdString();
      for (std::size_t k = 0; k < result.names.size(); ++k) {
        if (result.names[k] == name)
          TableSectionParts->item(row, kValue)->setText(Shown(valueText(name, result.values[k])));
      }
    }
    fillingSectionParts_ = false;
    ShowRunProgress(sheet, result.progress);
    StoreSheet(sheet);
  } else {
    values::SheetRecord& record = sheets.at(sheet);
    if (values::IsSectionRecord(record) && !values::ValidateSectionRecord(record)) {
      values::SectionLines lines = values::SectionLinesOf(record);
      for (values::SectionPartLine& line : lines.parts) {
        for (std::size_t k = 0; k < result.names.size(); ++k) {
          if (result.names[k] == line.name) line.value = valueText(line.name, result.values[k]);
        }
      }
      values::PutSectionLines(record, lines);
    }
    values::MakeSheetIdle(record);
    record[values::sheet_line::kProgressPos] = std::to_string(result.progress);
  }
  if (onScreen) {
    ButtonValset->setText(
        QString::fromUtf8(values::kCaptionIdle.data(), static_cast<int>(values::kCaptionIdle.size())));
  }
  if (!result.failed) emit sheetDesignChanged(sheet);
}

}  // namespace kelvara::app
