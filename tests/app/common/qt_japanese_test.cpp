// Qt's own dialogs speak Japanese like the rest of the program: the file
// dialogs, the colour dialog and the message boxes take Qt's Japanese
// translations, while the program's own texts stay exactly as they are.

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include "app/common/application.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

QStringList LabelTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

QStringList ButtonTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QPushButton* button : dialog.findChildren<QPushButton*>()) texts << button->text();
  return texts;
}

struct DialogCase {
  const char* name;
  std::function<std::unique_ptr<QDialog>()> make;
  QStringList labels;   // texts some label shows
  QStringList buttons;  // texts some button shows
  const char* englishTitle;
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class QtJapanese : public ::testing::TestWithParam<DialogCase> {};

TEST_P(QtJapanese, StandardDialogTexts) {
  const std::unique_ptr<QDialog> dialog = GetParam().make();
  const QStringList labels = LabelTexts(*dialog);
  const QStringList buttons = ButtonTexts(*dialog);
  for (const QString& text : GetParam().labels)
    EXPECT_TRUE(labels.contains(text)) << text.toStdString() << " in " << labels.join(" | ").toStdString();
  EXPECT_NE(dialog->windowTitle(), GetParam().englishTitle);
  EXPECT_FALSE(dialog->windowTitle().isEmpty());
  for (const QString& text : GetParam().buttons)
    EXPECT_TRUE(buttons.contains(text)) << text.toStdString() << " in " << buttons.join(" | ").toStdString();
}

std::unique_ptr<QDialog> FileDialog(QFileDialog::AcceptMode mode) {
  auto dialog = std::make_unique<QFileDialog>();
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(mode);
  return dialog;
}

INSTANTIATE_TEST_SUITE_P(Dialogs, QtJapanese,
                         ::testing::Values(DialogCase{"open",
                                                      [] { return FileDialog(QFileDialog::AcceptOpen); },
                                                      {"アドレス:", "ファイル名(&N):", "ファイルの種類:"},
                                                      {"開く(&O)", "キャンセル"},
                                                      "Open"},
                                           DialogCase{"save",
                                                      [] { return FileDialog(QFileDialog::AcceptSave); },
                                                      {"アドレス:", "ファイル名(&N):", "ファイルの種類:"},
                                                      {"保存(&S)", "キャンセル"},
                                                      "Save As"},
                                           DialogCase{
                                               "colour",
                                               [] {
                                                 auto dialog = std::make_unique<QColorDialog>();
                                                 dialog->setOption(QColorDialog::DontUseNativeDialog);
                                                 return std::unique_ptr<QDialog>(std::move(dialog));
                                               },
                                               {"基本カラー(&B)"},
                                               {"スクリーンの色を取得(&P)", "カスタムカラーに追加(&A)", "キャンセル"},
                                               "Select Color"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::app::testing

namespace kelvara::app::testing {
namespace {

// The program's own captions do not pass through Qt's translations.
TEST(QtJapaneseOwnTexts, TheMainWindowKeepsItsTexts) {
  ErrorRecorder errors;
  RecordingWarningBoxes warnings;
  MemorySettingsStore store;
  TFormMain window(store, warnings, AssetsDir());
  EXPECT_EQ(window.windowTitle(), "Kelvara 2");
  EXPECT_EQ(window.menuFile->title(), "ファイル(&F)");
  EXPECT_EQ(window.ButtonFreq->text(), "ｆ特描画");
}

}  // namespace
}  // namespace kelvara::app::testing
