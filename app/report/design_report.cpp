#include "app/report/design_report.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "app/analysis/analysis_texts.h"
#include "app/common/ui_texts.h"
#include "app/report/report_canvas.h"
#include "app/report/report_pages.h"
#include "app/report/report_sections.h"
#include "app/report/report_texts.h"
#include "app/report/sections_report.h"

namespace kelvara::app::report {

namespace {

constexpr int kPdfResolution = 600;

}  // namespace

QString ProgramLine() { return QStringLiteral("%1 %2").arg(app::text::kProductName, app::text::kVersion); }

void PageFrame(ReportCanvas& canvas, const ReportContent& c, int page) {
  const int pages = ReportPages(c);
  const QColor grey(100, 100, 100);
  const double bottom = kPageHeightMm - kMarginMm + 3;
  canvas.Text(kMarginMm, bottom, 90, 5, ProgramLine(), 8, Qt::AlignLeft | Qt::AlignVCenter, false, grey);
  canvas.Text(kPageWidthMm - kMarginMm - 90, bottom, 90, 5, QString::fromUtf8(text::kPage).arg(page).arg(pages), 8,
              Qt::AlignRight | Qt::AlignVCenter, false, grey);
  canvas.Text(kPageWidthMm - kMarginMm - 90, kMarginMm - 8, 90, 5, c.sheetName, 8, Qt::AlignRight | Qt::AlignVCenter,
              false, grey);
}

void TitleBlock(ReportCanvas& canvas, const ReportContent& c) {
  canvas.Text(kMarginMm, canvas.y, kContentWidthMm, 10, QString::fromUtf8(text::kTitle), 18,
              Qt::AlignLeft | Qt::AlignVCenter, true);
  canvas.Text(kMarginMm, canvas.y, kContentWidthMm, 10, ProgramLine(), 10, Qt::AlignRight | Qt::AlignVCenter);
  canvas.y += 11;
  QStringList lines;
  lines << QStringLiteral("%1: %2").arg(QString::fromUtf8(text::kCreated),
                                        c.created.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
  lines << QStringLiteral("%1: %2").arg(QString::fromUtf8(text::kSheet), c.sheetName);
  if (!c.fileName.isEmpty()) lines << QStringLiteral("%1: %2").arg(QString::fromUtf8(text::kFile), c.fileName);
  for (const QString& line : lines) {
    canvas.Text(kMarginMm, canvas.y, kContentWidthMm, 5, line, 9);
    canvas.y += 5;
  }
}

namespace {

void FirstPage(ReportCanvas& canvas, const ReportContent& c) {
  TitleBlock(canvas, c);

  canvas.Heading(QString::fromUtf8(text::kParameters));
  ParameterTables(canvas, ParameterRows(c));
  canvas.Lines({OpAmpLine(c)}, 8);

  canvas.Heading(QString::fromUtf8(text::kCircuit));
  PaintCircuit(canvas, c);

  canvas.Heading(QString::fromUtf8(text::kPartsTable));
  const std::vector<Column> parts = {{text::kPart, 9},
                                     {text::kValue, 19, Qt::AlignRight},
                                     {text::kExactValue, 40, Qt::AlignRight},
                                     {text::kSeries, 10, Qt::AlignHCenter},
                                     {text::kStage, 8, Qt::AlignHCenter}};
  const double partsTop = canvas.y;
  canvas.Table(kMarginMm, parts, PartRows(c, false), false, 5.2, 7.8);
  canvas.Table(kMarginMm + kContentWidthMm / 2 + 3, parts, PartRows(c, true), false, 5.2, 7.8);
  canvas.y = partsTop + ReportCanvas::TableHeight(static_cast<std::size_t>(c.request.Order())) + 2;

  canvas.Heading(
      QStringLiteral("%1（%2）").arg(QString::fromUtf8(text::kStages), QString::fromUtf8(text::kIdealOpAmpLabel)));
  canvas.Table(kMarginMm,
               {{text::kStage, 7, Qt::AlignHCenter},
                {text::kStageOrder, 9, Qt::AlignHCenter},
                {text::kPart, 27},
                {text::kTargetF0, 18, Qt::AlignRight},
                {text::kTargetQ, 14, Qt::AlignRight},
                {text::kF0, 18, Qt::AlignRight},
                {text::kQ, 14, Qt::AlignRight},
                {text::kF0Error, 15, Qt::AlignRight},
                {text::kQError, 15, Qt::AlignRight},
                {text::kPeak, 31, Qt::AlignRight},
                {text::kRatio, 12, Qt::AlignRight}},
               StageRows(c), true, 5.2, 6.8);
  canvas.Lines(SummaryLines(c), 8);
}

void SecondPage(ReportCanvas& canvas, const ReportContent& c) {
  canvas.y = kMarginMm;
  const ReportCurves curves = CurvesOf(c);
  const std::vector<QStringList> opAmpRows = OpAmpRows(curves);
  QStringList opAmpLines = OpAmpLines(c, curves);
  if (!opAmpLines.isEmpty()) opAmpLines.insert(1, RealMinus3DbLine(c));
  PlotsAndOpAmpStages(canvas, c, curves, opAmpRows, opAmpLines,
                      static_cast<int>(std::size(analysis_text::kOpAmpColumns)));
}

/// The analyses the analysis window holds of the design, each under its
/// heading with its conditions.
void AnalysesPage(ReportCanvas& canvas, const ReportContent& c) {
  canvas.y = kMarginMm;
  canvas.Text(kMarginMm, canvas.y, kContentWidthMm, 8, QString::fromUtf8(text::kAnalyses), 14,
              Qt::AlignLeft | Qt::AlignVCenter, true);
  canvas.y += 9;
  canvas.Lines({OpAmpLine(c)}, 8);
  const std::pair<const char*, const QStringList*> sections[] = {{text::kTolerance, &c.toleranceLines},
                                                                 {text::kWorstCase, &c.worstCaseLines},
                                                                 {text::kNoise, &c.noiseLines},
                                                                 {text::kLevels, &c.levelLines}};
  for (const auto& [heading, lines] : sections) {
    if (lines->isEmpty()) continue;
    canvas.Heading(QString::fromUtf8(heading));
    canvas.Lines(*lines, 8.5, 5);
  }
}

bool HasAnalyses(const ReportContent& c) {
  return !c.toleranceLines.isEmpty() || !c.worstCaseLines.isEmpty() || !c.noiseLines.isEmpty() ||
         !c.levelLines.isEmpty();
}

}  // namespace

int ReportPages(const ReportContent& content) { return HasAnalyses(content) ? 3 : 2; }

void PaintReport(QPagedPaintDevice& device, const ReportContent& content) {
  device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
  QPainter painter(&device);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  // Printers give the printable area; its offset from the paper's corner is
  // taken back so that the page looks the same on paper and in the file.
  const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
  painter.translate(-paint.left(), -paint.top());
  ReportCanvas canvas(painter, device.logicalDpiX() / 25.4);
  if (content.sections) {
    SectionsFirstPage(canvas, content);
  } else {
    FirstPage(canvas, content);
  }
  PageFrame(canvas, content, 1);
  device.newPage();
  if (content.sections) {
    SectionsSecondPage(canvas, content);
  } else {
    SecondPage(canvas, content);
  }
  PageFrame(canvas, content, 2);
  if (!HasAnalyses(content)) return;
  device.newPage();
  AnalysesPage(canvas, content);
  PageFrame(canvas, content, 3);
}

QByteArray ReportPdf(const ReportContent& content) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setTitle(QString::fromUtf8(text::kTitle) + QStringLiteral(" ") + content.sheetName);
    writer.setCreator(ProgramLine());
    PaintReport(writer, content);
  }
  return bytes;
}

}  // namespace kelvara::app::report
