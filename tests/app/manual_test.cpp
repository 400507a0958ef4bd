// The manual's pages: Japanese paragraphs without line breaks inside their
// sentences (a browser shows each break as a stray space), the place column
// and figures with their ranges kept on one line, a table of contents that
// links every page, and every menu item, window and option of the program
// named, and what a user needs and cannot guess.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStringList>
#include <QTabWidget>

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/dialogs/form_series_options.h"
#include "app/main_window/chart_texts.h"
#include "response/opamp_catalogue.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

const QString kTop = QStringLiteral("Vornix_HowToUse_Top.html");

// Every page of the manual, the contents first.
QStringList Pages() {
  QStringList pages = QDir(AssetsDir() + QStringLiteral("HowToUse")).entryList({QStringLiteral("*.html")}, QDir::Files);
  pages.removeAll(kTop);
  pages.prepend(kTop);
  return pages;
}

QString Page(const QString& name) {
  QFile file(AssetsDir() + QStringLiteral("HowToUse/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QString AllPages() {
  QString all;
  for (const QString& page : Pages()) all += Page(page);
  return all;
}

TEST(Manual, NoLineBreakInsideAParagraphOrCell) {
  const QRegularExpression block(QStringLiteral("<(p|li|td|th|figcaption)\\b[^>]*>(.*?)</\\1>"),
                                 QRegularExpression::DotMatchesEverythingOption);
  const QStringList pages = Pages();
  EXPECT_GE(pages.size(), 9);
  for (const QString& name : pages) {
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

// The contents are a list with one entry a line in the source (a new page
// is a new <li>); the style puts a "／" after every entry but the last, so
// no entry (such as 設計の解析) is ever run on to the one before it.
TEST(Manual, TheContentsLinkEveryPageWithASeparatorBetweenEntries) {
  const QString top = Page(kTop);
  const QRegularExpression nav(QStringLiteral("<nav class=\"toc\">(.*?)</nav>"),
                               QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch contents = nav.match(top);
  ASSERT_TRUE(contents.hasMatch());
  QString rest = contents.captured(1);
  const QRegularExpression entry(QStringLiteral("<li><a href=\"([^\"]+)\">([^<]+)</a></li>"));
  QStringList targets, titles;
  for (auto it = entry.globalMatch(rest); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    targets << m.captured(1);
    titles << m.captured(2);
  }
  // Nothing but the entries between the list's tags: no hand-made
  // separators to forget.
  rest.remove(entry);
  rest.remove(QRegularExpression(QStringLiteral("<span class=\"toc-title\">[^<]*</span>|</?ul>|\\s")));
  EXPECT_TRUE(rest.isEmpty()) << rest.toStdString();
  EXPECT_TRUE(Page("style.css")
                  .contains(QRegularExpression(
                      QStringLiteral("nav\\.toc li:not\\(:last-child\\)::after \\{[^}]*content: \" ／\""))));
  const int analysis = titles.indexOf(QStringLiteral("設計の解析"));
  EXPECT_GT(analysis, 0);  // an entry after another: a separator before it
  for (const QString& page : Pages()) {
    if (page == kTop) continue;
    EXPECT_TRUE(targets.contains(page)) << page.toStdString() << " is not in the contents";
    EXPECT_TRUE(Page(page).contains(QStringLiteral("<a href=\"Vornix_HowToUse_Top.html\">← 目次へ</a>")))
        << page.toStdString();
    const QRegularExpression title(QStringLiteral("<h1>([^<]+)</h1>"));
    EXPECT_TRUE(titles.contains(title.match(Page(page)).captured(1))) << page.toStdString();
  }
  for (const QString& target : targets) {
    if (target.startsWith(QLatin1Char('#'))) {
      EXPECT_TRUE(top.contains(QStringLiteral("id=\"") + target.mid(1) + QLatin1Char('"'))) << target.toStdString();
    } else {
      EXPECT_TRUE(Pages().contains(target)) << target.toStdString();
    }
  }
}

// Every picture a page shows is shipped beside it (or among the circuit
// pictures).
TEST(Manual, EveryPictureExists) {
  const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
  int pictures = 0;
  for (const QString& name : Pages()) {
    const QString page = Page(name);
    for (auto it = image.globalMatch(page); it.hasNext();) {
      const QString source = it.next().captured(1);
      ++pictures;
      EXPECT_TRUE(QFile::exists(AssetsDir() + QStringLiteral("HowToUse/") + source))
          << name.toStdString() << ": " << source.toStdString();
    }
  }
  EXPECT_GE(pictures, 12);
}

// A figure with its range ("1～100MHz", "0.47Ω～510kΩ") is never broken at
// the line's end: it stands in a span that does not break.
TEST(Manual, RangesOfFiguresDoNotBreak) {
  EXPECT_TRUE(Page("style.css").contains(QRegularExpression(QStringLiteral("\\.nobr \\{[^}]*white-space: nowrap"))));
  const QRegularExpression kept(QStringLiteral("<span class=\"nobr\">[^<]*</span>"));
  const QRegularExpression range(QStringLiteral("[0-9０-９][^\\s<>、。（）]*～[0-9０-９]"));
  bool sawCutoffRange = false;
  for (const QString& name : Pages()) {
    QString page = Page(name);
    sawCutoffRange = sawCutoffRange || page.contains(QStringLiteral("<span class=\"nobr\">1～100MHz</span>"));
    page.remove(kept);
    for (auto it = range.globalMatch(page); it.hasNext();) {
      ADD_FAILURE() << name.toStdString() << ": " << it.next().captured(0).toStdString() << " may break";
    }
  }
  EXPECT_TRUE(sawCutoffRange);
}

TEST(Manual, SaysWhatAUserCannotGuess) {
  const QString all = AllPages();
  const char* needed[] = {"進捗バー",    "-0.25dB",    "1.147kHz",
                          "1.63 倍",     "1.036 倍",   "-3dB になるように正規化",
                          "「0.1以下」", "「1G以上」", "E24 系列の <span class=\"nobr\">0.47Ω～510kΩ</span>",
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
  // A cell's text may hold figures kept on one line (<span class="nobr">).
  const QString cell = QStringLiteral("((?:[^<]|<span class=\"nobr\">|</span>)*)");
  const QRegularExpression row(QStringLiteral("<tr><td>") + cell + QStringLiteral("</td><td>") + cell +
                               QStringLiteral("</td><td>") + cell + QStringLiteral("</td></tr>"));
  QStringList listed;
  for (auto it = row.globalMatch(page); it.hasNext();) listed << it.next().captured(1);
  for (const char* caption : captions) EXPECT_TRUE(listed.contains(QString::fromUtf8(caption))) << caption;
}

// The name a user reads: without the access key, the dots of a command
// that opens a window, and a shortcut.
QString Plain(QString text) {
  text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
  text.remove(QLatin1Char('&'));
  text.remove(QRegularExpression(QStringLiteral("(\\.\\.\\.|…)$")));
  return text.trimmed();
}

void AddMenuTexts(const QMenu& menu, QStringList& texts) {
  for (const QAction* action : menu.actions()) {
    if (action->isSeparator() || action->text().isEmpty()) continue;
    texts << Plain(action->text());
    if (action->menu()) AddMenuTexts(*action->menu(), texts);
  }
}

// What a window shows by name: buttons, check boxes, group titles, tabs,
// short captions and the items of choices that are words.
QStringList WidgetTexts(const QWidget& window) {
  QStringList texts;
  for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
    if (!b->text().isEmpty()) texts << Plain(b->text());
  }
  for (const QGroupBox* g : window.findChildren<QGroupBox*>()) texts << Plain(g->title());
  for (const QTabWidget* t : window.findChildren<QTabWidget*>()) {
    for (int i = 0; i < t->count(); ++i) texts << Plain(t->tabText(i));
  }
  for (const QLabel* l : window.findChildren<QLabel*>()) {
    const QString text = l->text();
    if (!text.isEmpty() && !text.contains(QLatin1Char('\n')) && text.size() < 30) texts << Plain(text);
  }
  for (const QComboBox* c : window.findChildren<QComboBox*>()) {
    for (int i = 0; i < c->count(); ++i) {
      if (!c->itemText(i).contains(QRegularExpression(QStringLiteral("^[-+0-9.]")))) texts << Plain(c->itemText(i));
    }
  }
  texts.removeAll(QString());
  texts.removeDuplicates();
  return texts;
}

// The op-amp list ("品種") as the manual describes it: every part it holds,
// and the options of kelvara-design that take a part and print the list.
TEST(Manual, NamesEveryOpAmpOfTheListAndTheOptionsThatTakeThem) {
  QString page = Page(QStringLiteral("noise.html"));
  page.remove(QRegularExpression(QStringLiteral("<[^>]+>")));
  for (const response::CatalogueOpAmp& c : response::OpAmpCatalogue())
    EXPECT_TRUE(page.contains(QString::fromStdString(c.name))) << c.name;
  EXPECT_TRUE(page.contains(QStringLiteral("--opamp 品種名")));
  EXPECT_TRUE(page.contains(QStringLiteral("--opamp-list")));
}

class ManualNames : public WindowTest {};

TEST_F(ManualNames, EveryMenuItemWindowAndOptionIsInTheManual) {
  QString all = AllPages();
  all.remove(QRegularExpression(QStringLiteral("<[^>]+>")));  // the text as read
  QStringList texts;
  for (const QAction* action : W().MainMenu1->actions()) {
    texts << Plain(action->text());
    if (action->menu()) AddMenuTexts(*action->menu(), texts);
  }
  W().show();
  W().menuDesignAnalysis->trigger();
  ASSERT_NE(W().FormAnalysis, nullptr);
  texts << W().FormAnalysis->windowTitle() << WidgetTexts(*W().FormAnalysis);
  // The views' pop-up menus.
  for (const char* item :
       {analysis_text::kSavePng, analysis_text::kSavePdf, analysis_text::kSaveCsv, analysis_text::kSaveTableCsv,
        analysis_text::kRangeDesign, analysis_text::kRangePage, analysis_text::kResetView}) {
    texts << Plain(QString::fromUtf8(item));
  }
  TFormSeriesOptions series(&W());
  texts << series.windowTitle() << WidgetTexts(series);
  EXPECT_GT(texts.size(), 60);
  for (const QString& text : texts) {
    EXPECT_TRUE(all.contains(text)) << "the manual does not name \"" << text.toStdString() << "\"";
  }
}

// The contents page's table of menus is where a user looks first for what
// a menu does: every item of every menu has its row there.
TEST_F(ManualNames, TheMenuTableOfTheContentsPageHasEveryMenuItem) {
  const QString top = Page(kTop);
  const qsizetype from = top.indexOf(QStringLiteral("<h3>メニュー</h3>"));
  ASSERT_GE(from, 0);
  QString table = top.mid(from, top.indexOf(QStringLiteral("</table>"), from) - from);
  table.remove(QRegularExpression(QStringLiteral("<[^>]+>")));
  for (const QAction* action : W().MainMenu1->actions()) {
    QStringList texts{Plain(action->text())};
    if (action->menu()) AddMenuTexts(*action->menu(), texts);
    for (const QString& text : texts) {
      EXPECT_TRUE(table.contains(text)) << "the menu table does not name \"" << text.toStdString() << "\"";
    }
  }
}

}  // namespace
}  // namespace kelvara::app::testing
