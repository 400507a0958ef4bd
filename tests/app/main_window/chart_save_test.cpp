// Saving the chart as PNG or PDF goes through the atomic writer: a failed
// save (a file-size limit) leaves the older picture, and a FIFO chosen as
// the file is refused, not replaced.

#include <sys/resource.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "storage/atomic_file.h"
#include "tests/app/main_window/chart_test_support.h"

namespace kelvara::app::testing {
namespace {

struct ChartFile {
  const char* name;
  const char* action;
  const char* file;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void PrintTo(const ChartFile& c, std::ostream* os) { *os << c.name; }

class ChartSave : public ChartTest, public ::testing::WithParamInterface<ChartFile> {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
    W().ButtonFreq->click();
  }
  void Save(const QString& path) {
    fileAnswer = path;
    W().PopupMenu1->findChild<QAction*>(QString::fromLatin1(GetParam().action))->trigger();
  }
  QString Target() const { return dir_.filePath(QString::fromLatin1(GetParam().file)); }
  QStringList Entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  QTemporaryDir dir_;
};

INSTANTIATE_TEST_SUITE_P(Kinds, ChartSave,
                         ::testing::Values(ChartFile{"Png", "PopUP_savePng", "curve.png"},
                                           ChartFile{"Pdf", "PopUP_savePdf", "curve.pdf"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(ChartSave, AFailedSaveLeavesTheOlderPicture) {
  QFile old(Target());
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("an older picture");
  old.close();
  storage::IgnoreFileSizeSignal();
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  Save(Target());
  setrlimit(RLIMIT_FSIZE, &saved);
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_EQ(errors.Errors()[0], "グラフを " + QDir::toNativeSeparators(Target()) + " に保存できません。");
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "an older picture");
  EXPECT_EQ(Entries(), QStringList{GetParam().file});

  Save(Target());  // without the limit it goes through
  EXPECT_EQ(errors.Errors().size(), 1u);
  EXPECT_NE(ReadAll(Target()), "an older picture");
}

TEST_P(ChartSave, AFifoIsNotReplaced) {
  ASSERT_EQ(mkfifo(QFile::encodeName(Target()).constData(), 0644), 0);
  Save(Target());
  ASSERT_EQ(errors.Errors().size(), 1u);
  struct stat info {};
  ASSERT_EQ(lstat(QFile::encodeName(Target()).constData(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(Entries(), QStringList{GetParam().file});
}

}  // namespace
}  // namespace kelvara::app::testing
