// "保存(&S)" and "全てのシートを保存" when the save cannot be completed: a
// file-size limit stops the write part-way, or the chosen name is a FIFO or
// a device. The user is told which file could not be saved and why; the old
// file (or the special file) is left exactly as it was, no temporary file
// stays behind and the sheets are untouched.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QAction>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "storage/atomic_file.h"
#include "tests/app/main_window/files_test_support.h"

namespace kelvara::app::testing {
namespace {

struct SaveCommand {
  const char* name;
  QAction* TFormMain::*action;
  const char* extension;
};

void PrintTo(const SaveCommand& c, std::ostream* os) { *os << c.name; }

class SaveFailure : public FileWindowTest, public ::testing::WithParamInterface<SaveCommand> {
 protected:
  QString Target(const char* base) const { return Path(QString::fromLatin1(base) + GetParam().extension); }
  void Save(const QString& chosen) {
    Answer(chosen);
    (W().*GetParam().action)->trigger();
  }
  mode_t Mode(const QString& path) const {
    struct stat info {};
    EXPECT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode;
  }
};

INSTANTIATE_TEST_SUITE_P(Menu, SaveFailure,
                         ::testing::Values(SaveCommand{"SaveFile", &TFormMain::menuSaveFile, ".zdn"},
                                           SaveCommand{"SaveFileAll", &TFormMain::menuSaveFileAll, ".zdna"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(SaveFailure, AFileSizeLimitIsReportedAndTheOldFileStays) {
  TypeEightDesigns();
  const QString target = Target("old");
  WriteFile(target, "the old design\r\n");
  // A save stores the shown sheet first; nothing else changes.
  auto sheets = W().sheets;
  sheets[W().TabDesign->TabIndex()] = Shown();
  storage::IgnoreFileSizeSignal();
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = 64;  // less than one sheet
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  Save(target);
  setrlimit(RLIMIT_FSIZE, &saved);

  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_EQ(errors.Errors()[0], "ファイルを保存できません\nファイル " + QDir::toNativeSeparators(target) +
                                    " に保存できません（" + QString::fromLocal8Bit(std::strerror(EFBIG)) + "）。");
  EXPECT_EQ(ReadFile(target), "the old design\r\n");
  EXPECT_EQ(Entries(), QStringList{QFileInfo(target).fileName()});
  EXPECT_EQ(W().sheets, sheets);
}

TEST_P(SaveFailure, AFifoOrADeviceIsNotReplaced) {
  const QString fifo = Target("pipe");
  const QString device = Target("null");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  // A device node of our own (root only), never the system's /dev/null.
  const bool haveDevice = mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  for (const QString& target : haveDevice ? QStringList{fifo, device} : QStringList{fifo}) {
    errors.Clear();
    const mode_t before = Mode(target);
    Save(target);
    ASSERT_EQ(errors.Errors().size(), 1u) << target.toStdString();
    EXPECT_TRUE(errors.Errors()[0].startsWith("ファイルを保存できません\nファイル " + QDir::toNativeSeparators(target) +
                                              " に保存できません（通常のファイルではありません"))
        << errors.Errors()[0].toStdString();
    EXPECT_EQ(Mode(target), before);
  }
  // Nothing else in the folder: no temporary file was left.
  const QStringList all =
      QDir(QFileInfo(fifo).path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_EQ(all.size(), haveDevice ? 2 : 1) << all.join(' ').toStdString();
}

}  // namespace
}  // namespace kelvara::app::testing
