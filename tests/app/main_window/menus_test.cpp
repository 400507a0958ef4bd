// The main window's menus beyond their specified items: Ctrl+O and Ctrl+S
// for the sheet's open and save, "終了" as the file menu's last item, the
// save dialogs' suggested name, and the manual when no viewer takes it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "app/common/ui_texts.h"
#include "storage/design_file.h"
#include "tests/app/main_window/files_test_support.h"
#include "values/sheet_record.h"

namespace kelvara::app::testing {
namespace {

TEST_F(WindowTest, OpenAndSaveOfTheSheetHaveTheirUsualShortcuts) {
  EXPECT_EQ(W().menuOpenFile->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(W().menuSaveFile->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  // The captions stay as they are.
  EXPECT_EQ(W().menuOpenFile->text(), QStringLiteral("開く(&O)"));
  EXPECT_EQ(W().menuSaveFile->text(), QStringLiteral("保存(&S)"));
  // No two items of the menu bar share a shortcut.
  QList<QKeySequence> keys;
  std::function<void(const QMenu&)> collect = [&](const QMenu& menu) {
    for (const QAction* a : menu.actions()) {
      if (a->menu()) collect(*a->menu());
      if (a->shortcut().isEmpty()) continue;
      EXPECT_FALSE(keys.contains(a->shortcut())) << a->text().toStdString();
      keys << a->shortcut();
    }
  };
  for (const QAction* a : W().MainMenu1->actions())
    if (a->menu()) collect(*a->menu());
}

TEST_F(WindowTest, ExitIsTheFileMenusLastItemAndClosesTheWindow) {
  const QList<QAction*> items = W().menuFile->actions();
  ASSERT_GE(items.size(), 3);
  EXPECT_EQ(items.back(), W().menuExit);
  EXPECT_TRUE(items[items.size() - 2]->isSeparator());
  EXPECT_EQ(W().menuExit->text(), QStringLiteral("終了(&X)"));
  EXPECT_EQ(W().menuExit->objectName(), QStringLiteral("menuExit"));
  EXPECT_EQ(W().menuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  // As the close button: the window closes and keeps its settings.
  W().show();
  ASSERT_TRUE(W().isVisible());
  W().move(400, 300);
  const int saves = store.saves;
  W().menuExit->trigger();
  EXPECT_FALSE(W().isVisible());
  EXPECT_EQ(store.saves, saves + 1) << "the close stores the window's settings";
  EXPECT_EQ(store.stored.formLeft, 400);
  EXPECT_TRUE(errors.Errors().empty());
}

// No viewer for the page (no browser installed): the page is named so the
// user can open it by hand. A missing page stays unreported, as ever.
TEST_F(WindowTest, TheManualNamesItsFileWhenNoViewerOpensIt) {
  QStringList handed;
  W().SetManualOpener([&handed](const QString& page) {
    handed << page;
    return false;
  });
  W().menuAboutUseTorisetsu->trigger();
  const QString page = AssetsDir() + QStringLiteral("HowToUse/Vornix_HowToUse_Top.html");
  EXPECT_EQ(handed, QStringList{page});
  ASSERT_EQ(warnings.Entries().size(), 1u);
  EXPECT_EQ(warnings.Entries()[0].caption, QStringLiteral("取扱説明書"));
  EXPECT_EQ(warnings.Entries()[0].text,
            QStringLiteral("取扱説明書を表示できるアプリケーションが見つかりませんでした。次のファイルをブラウザで開"
                           "いて下さい。\n") +
                QDir::toNativeSeparators(page));
  // A viewer that takes it: nothing shown.
  warnings.Clear();
  W().SetManualOpener([](const QString&) { return true; });
  W().menuAboutUseTorisetsu->trigger();
  EXPECT_TRUE(warnings.Entries().empty());
  // No page beside the program: nothing reported, whatever the viewer.
  EXPECT_TRUE(errors.Errors().empty());
  QTemporaryDir empty;
  Build(empty.path() + QStringLiteral("/"));
  errors.Clear();  // the pictures missing beside the program
  W().SetManualOpener([](const QString&) { return false; });
  W().menuAboutUseTorisetsu->trigger();
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_TRUE(errors.Errors().empty());
}

class SaveNameTest : public FileWindowTest {};

TEST_F(SaveNameTest, SaveDialogsSuggestTheSheetsName) {
  // A sheet without a file: its name.
  Answer(std::nullopt);
  W().menuSaveFile->trigger();
  SelectTab(2);
  W().menuSaveFileAll->trigger();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(QFileInfo(shown[0].name).fileName(), QStringLiteral("Sheet1"));
  EXPECT_EQ(QFileInfo(shown[1].name).fileName(), QStringLiteral("Sheet3"));
  EXPECT_EQ(W().SuggestedExportName(TFormMain::ExportKind::kSpice), QStringLiteral("Sheet3.cir"));

  // A sheet opened from a file: that file's name in its folder, without
  // the suffix the save adds again.
  ASSERT_FALSE(storage::WriteSheetFile(Path("lpf.zdn"), values::DefaultSheetRecord()).has_value());
  Answer(Path("lpf.zdn"));
  W().menuOpenFile->trigger();
  Answer(std::nullopt);
  W().menuSaveFile->trigger();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[3].name, Path("lpf"));
  EXPECT_EQ(W().SuggestedExportName(TFormMain::ExportKind::kPartsList), Path("lpf") + QStringLiteral(".csv"));
  EXPECT_EQ(W().SuggestedExportName(TFormMain::ExportKind::kReport), Path("lpf") + QStringLiteral(".pdf"));
  EXPECT_TRUE(Entries() == QStringList{"lpf.zdn"});

  // Once a name was chosen, the dialog shows that one, as it always did.
  Answer(Path("mine"));
  W().menuSaveFile->trigger();
  Answer(std::nullopt);
  W().menuSaveFile->trigger();
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[5].name, Path("mine"));
  EXPECT_TRUE(errors.Errors().empty());
}

}  // namespace
}  // namespace kelvara::app::testing
