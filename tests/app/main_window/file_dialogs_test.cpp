// The open and save dialogs of the design files: the filter texts they show,
// the files each filter lets the user pick, and their options.

#include <QComboBox>
#include <QFileSystemModel>
#include <QListView>
#include <QTest>

#include "tests/app/main_window/files_test_support.h"

namespace kelvara::app::testing {
namespace {

using FileDialogs = FileWindowTest;

QStringList FilterTexts(QFileDialog* dialog) {
  auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  if (!combo) return {};
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  return texts;
}

// The files the list of the dialog offers (and does not grey out).
QStringList OfferedFiles(QFileDialog* dialog) {
  auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
  if (!view) return {};
  const QAbstractItemModel* model = view->model();
  const QModelIndex root = view->rootIndex();
  QStringList names;
  for (int row = 0; row < model->rowCount(root); ++row) {
    const QModelIndex index = model->index(row, 0, root);
    if (model->flags(index) & Qt::ItemIsEnabled) names << index.data().toString();
  }
  names.sort();
  return names;
}

struct FilterCase {
  const char* name;
  bool save;
  QStringList texts;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class DialogFilters : public FileWindowTest, public ::testing::WithParamInterface<FilterCase> {
 protected:
  QFileDialog* Dialog() { return GetParam().save ? &W().SaveDialog() : &W().OpenDialog(); }
};

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogFilters,
    ::testing::Values(FilterCase{"Open", false, {"データ ファイル（*.zdn）", "データ ファイル（*.zdna）"}},
                      FilterCase{"Save", true, {"データ ファイル(*.zdn)", "データ ファイル(*.zdna)"}}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return info.param.name; });

TEST_P(DialogFilters, ShowTheirTextsExactly) {
  EXPECT_EQ(FilterTexts(Dialog()), GetParam().texts);
  auto* combo = Dialog()->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(combo, nullptr);
  Dialog()->selectNameFilter(Dialog()->nameFilters().at(1));
  EXPECT_EQ(combo->currentText(), GetParam().texts[1]);
}

TEST_P(DialogFilters, EachFilterOffersTheFilesOfItsPattern) {
  for (const char* name : {"a.zdn", "b.zdna", "c.txt", "d.zdn.bak", "e.ZDN", "データ.zdn"}) {
    WriteFile(Path(QString::fromUtf8(name)), "x");
  }
  QFileDialog* dialog = Dialog();
  auto* model = dialog->findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  dialog->setDirectory(Path(QString()));
  const QStringList expected[] = {{"a.zdn", "e.ZDN", "データ.zdn"}, {"b.zdna"}};
  const QStringList patterns[] = {{"*.zdn"}, {"*.zdna"}};
  for (int filter : {0, 1, 0}) {
    dialog->selectNameFilter(dialog->nameFilters().at(filter));
    EXPECT_EQ(model->nameFilters(), patterns[filter]);
    // The folder is read in the background; wait until the list settles.
    EXPECT_TRUE(QTest::qWaitFor([&] { return OfferedFiles(dialog) == expected[filter]; }, 10000))
        << "filter " << filter + 1 << " offers " << OfferedFiles(dialog).join(", ").toStdString();
  }
}

TEST_F(FileDialogs, NoDefaultExtensionAndNoQuestionBeforeOverwriting) {
  EXPECT_EQ(W().OpenDialog1, nullptr);  // made when first needed
  EXPECT_EQ(W().SaveDialog1, nullptr);
  for (QFileDialog* dialog : {&W().OpenDialog(), &W().SaveDialog()}) {
    EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->parentWidget(), &W());
  }
  EXPECT_EQ(W().OpenDialog1->objectName(), "OpenDialog1");
  EXPECT_EQ(W().SaveDialog1->objectName(), "SaveDialog1");
  EXPECT_EQ(W().OpenDialog1->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(W().OpenDialog1->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(W().SaveDialog1->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(W().SaveDialog1->fileMode(), QFileDialog::AnyFile);
  EXPECT_TRUE(W().SaveDialog1->testOption(QFileDialog::DontConfirmOverwrite));
}

}  // namespace
}  // namespace kelvara::app::testing
