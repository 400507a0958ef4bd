// The manual's pages: Japanese paragraphs without line breaks inside their
// sentences (a browser shows each break as a stray space), the place column
// kept on one line, and what a user needs and cannot guess.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include "app/main_window/chart_texts.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

const QStringList kPages = {"Vornix_HowToUse_Top.html", "design.html", "response.html", "files.html", "warnings.html",
                            "requirement.html"};

QString Page(const QString& name) {
  QFile file(AssetsDir() + QStringLiteral("HowToUse/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QString AllPages() {
  QString all;
  for (const QString& page : kPages) all += Page(page);
  return all;
}

TEST(Manual, NoLineBreakInsideAParagraphOrCell) {
  const QRegularExpression block(QStringLiteral("<(p|li|td|th|figcaption)\\b[^>]*>(.*?)</\\1>"),
                                 QRegularExpression::DotMatchesEverythingOption);
  for (const QString& name : kPages) {
    const QString page = Page(name);
    ASSERT_FALSE(page.isEmpty()) << name.toStdString();
    for (auto it = block.globalMatch(page); it.hasNext();) {
      const QString text = it.next().captured(2);
      EXPECT_FALSE(text.contains(QLatin1Char('\n'))) << name.toStdString() << ": " << text.toStdString();
    }
  }
}

TEST(Manual, ThePlaceColumnDoesNotBreak) {
  const QString page = Page("Vornix_HowToUse_Top.html");
  for (const char* place : {"左上", "右上", "下"}) {
    EXPECT_TRUE(page.contains(QStringLiteral("<td class=\"place\">") + QString::fromUtf8(place) + "</td>")) << place;
  }
  EXPECT_TRUE(Page("style.css").contains(QRegularExpression(QStringLiteral("td\\.place[^}]*white-space: nowrap"))));
}

TEST(Manual, SaysWhatAUserCannotGuess) {
  const QString all = AllPages();
  const char* needed[] = {"進捗バー",    "-0.25dB",    "1.147kHz",
                          "1.63 倍",     "1.036 倍",   "-3dB になるように正規化",
                          "「0.1以下」", "「1G以上」", "E24 系列の 0.47Ω～510kΩ",
                          "E12 系列"};
  for (const char* text : needed) EXPECT_TRUE(all.contains(QString::fromUtf8(text))) << text;
  EXPECT_FALSE(all.contains(QStringLiteral("進み具合")));
}

TEST(Manual, ListsEveryWarningWithWhatToDo) {
  const QString page = Page("warnings.html");
  const char* captions[] = {"不正な数値",
                            "Rn の不正な値",
                            "Cn の不正な値",
                            "Ra, Cb は設定不能な値",
                            "Ca, Cb は設定不能な値",
                            "Ra, Rb は設定不能な値",
                            "設定不可能",
                            chart_text::kYMaxInvalid,
                            chart_text::kYMinInvalid,
                            chart_text::kYRangeInvalid,
                            chart_text::kXRangeInvalid,
                            "Rn は無効な値",
                            "Cn は無効な値"};
  const QRegularExpression row(QStringLiteral("<tr><td>([^<]*)</td><td>([^<]*)</td><td>([^<]+)</td></tr>"));
  QStringList listed;
  for (auto it = row.globalMatch(page); it.hasNext();) listed << it.next().captured(1);
  for (const char* caption : captions) EXPECT_TRUE(listed.contains(QString::fromUtf8(caption))) << caption;
}

}  // namespace
}  // namespace kelvara::app::testing
