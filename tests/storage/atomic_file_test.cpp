// WriteFileAtomically for real: a file-size limit (RLIMIT_FSIZE) and a full
// file system (a tiny tmpfs, where the test may mount one) make write()
// fail part-way; the old file must stay as it was and no temporary file may
// be left. Targets that are not regular files are refused.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <functional>

#include "storage/atomic_file.h"
#include "storage/design_file.h"
#include "tests/storage/file_helpers.h"
#include "tests/storage/sample_records.h"

namespace kelvara::storage {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
using Kind = AtomicWriteError::Kind;

const QByteArray kOld = "the design saved before\r\n";

QByteArray Big(qsizetype size) { return QByteArray(size, 'x'); }

mode_t Mode(const QString& path) {
  struct stat info {};
  EXPECT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_mode;
}

// Lowers the soft file-size limit for the lifetime of the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    IgnoreFileSizeSignal();
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  bool ok_ = false;
};

TEST(AtomicWrite, WritesReplacesAndKeepsThePermissions) {
  TempFolder dir;
  const QString path = dir.Path("out.txt");
  ASSERT_FALSE(WriteFileAtomically(path, "first"));
  EXPECT_EQ(ReadBytes(path), "first");
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
  ASSERT_FALSE(WriteFileAtomically(path, Big(100000)));
  EXPECT_EQ(ReadBytes(path), Big(100000));
  EXPECT_EQ(Mode(path) & 07777, 0640u);
  ASSERT_FALSE(WriteFileAtomically(path, ""));
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(dir.Entries(), QStringList{"out.txt"});
}

TEST(AtomicWrite, ALinkToARegularFileReplacesTheFileAndKeepsTheLink) {
  TempFolder dir;
  WriteBytes(dir.Path("real.zdn"), kOld);
  ASSERT_TRUE(QFile::link(dir.Path("real.zdn"), dir.Path("link.zdn")));
  ASSERT_FALSE(WriteFileAtomically(dir.Path("link.zdn"), "new"));
  EXPECT_TRUE(S_ISLNK(Mode(dir.Path("link.zdn"))));
  EXPECT_EQ(ReadBytes(dir.Path("real.zdn")), "new");
  EXPECT_EQ(dir.Entries(), (QStringList{"link.zdn", "real.zdn"}));
}

struct RefusedTarget {
  const char* name;
  /// Makes the thing at the path; returns false when it cannot.
  std::function<bool(const TempFolder&, const QString& path)> make;
};

void PrintTo(const RefusedTarget& c, std::ostream* os) { *os << c.name; }

bool MakeFifo(const TempFolder&, const QString& path) { return mkfifo(QFile::encodeName(path), 0644) == 0; }
bool MakeFolder(const TempFolder&, const QString& path) { return QDir().mkdir(path); }
bool MakeSocket(const TempFolder&, const QString& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  if (fd < 0 || static_cast<std::size_t>(name.size()) >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
  const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}
// A node of the null device, made in the test's own folder (root only): the
// tests never point a save at the system's own /dev/null.
bool MakeDevice(const TempFolder&, const QString& path) {
  return mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}
bool LinkTo(const QString& target, const QString& path) { return QFile::link(target, path); }

class RefusedTargets : public ::testing::TestWithParam<RefusedTarget> {};

TEST_P(RefusedTargets, AreLeftAsTheyAre) {
  TempFolder dir;
  const QString path = dir.Path("target.zdn");
  if (!GetParam().make(dir, path)) GTEST_SKIP() << "cannot make " << GetParam().name << " here";
  const QStringList entries = dir.Entries();
  const mode_t before = Mode(path);
  EXPECT_EQ(WriteFileAtomically(path, "x"), (AtomicWriteError{Kind::kNotRegularFile, {}}));
  EXPECT_EQ(Mode(path), before);
  EXPECT_EQ(dir.Entries(), entries);

  // The design files give a message naming the file.
  const std::optional<DesignFileError> error = WriteSheetFile(path, testing::GoldenSheet());
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->caption, QString::fromUtf8("ファイルを保存できません"));
  EXPECT_TRUE(error->text.startsWith(QString::fromUtf8("ファイル ") + path +
                                     QString::fromUtf8(" に保存できません（通常のファイルではありません")))
      << error->text.toStdString();
  EXPECT_FALSE(WriteAllSheetsFile(path, testing::GoldenAllSheets()) == std::nullopt);
  EXPECT_EQ(Mode(path), before);
  EXPECT_EQ(dir.Entries(), entries);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RefusedTargets,
                         ::testing::Values(RefusedTarget{"Fifo", MakeFifo}, RefusedTarget{"Folder", MakeFolder},
                                           RefusedTarget{"Socket", MakeSocket}, RefusedTarget{"Device", MakeDevice},
                                           RefusedTarget{"DeviceThroughLink",
                                                         [](const TempFolder& dir, const QString& path) {
                                                           return MakeDevice(dir, dir.Path("null")) &&
                                                                  LinkTo(dir.Path("null"), path);
                                                         }},
                                           RefusedTarget{"FifoThroughLinks",
                                                         [](const TempFolder& dir, const QString& path) {
                                                           return MakeFifo(dir, dir.Path("fifo")) &&
                                                                  LinkTo(dir.Path("fifo"), dir.Path("hop")) &&
                                                                  LinkTo(dir.Path("hop"), path);
                                                         }},
                                           RefusedTarget{"FolderThroughLink",
                                                         [](const TempFolder& dir, const QString& path) {
                                                           return MakeFolder(dir, dir.Path("sub")) &&
                                                                  LinkTo(dir.Path("sub"), path);
                                                         }},
                                           RefusedTarget{"DanglingLink",
                                                         [](const TempFolder& dir, const QString& path) {
                                                           return LinkTo(dir.Path("nowhere"), path);
                                                         }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicWrite, AnEmptyPathIsRefused) {
  EXPECT_EQ(WriteFileAtomically("", "x"), (AtomicWriteError{Kind::kEmptyPath, {}}));
}

struct LimitCase {
  const char* name;
  rlim_t limit;
  qsizetype size;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class FileSizeLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FileSizeLimitTest, LeavesTheOldFileAndNoTemporary) {
  TempFolder dir;
  const QString path = dir.Path("old.zdn");
  WriteBytes(path, kOld);
  std::optional<AtomicWriteError> error;
  {
    FileSizeLimit limit(GetParam().limit);
    ASSERT_TRUE(limit.ok());
    error = WriteFileAtomically(path, Big(GetParam().size));
  }
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, Kind::kFailed);
  EXPECT_EQ(error->reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
  EXPECT_EQ(ReadBytes(path), kOld);
  EXPECT_EQ(dir.Entries(), QStringList{"old.zdn"});
}

INSTANTIATE_TEST_SUITE_P(Limits, FileSizeLimitTest,
                         ::testing::Values(LimitCase{"Zero", 0, 10}, LimitCase{"PartWay", 4096, 20000},
                                           LimitCase{"OneByteShort", 999, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DesignFileSave, AFileSizeLimitIsReportedAndKeepsTheOldFile) {
  TempFolder dir;
  const QString sheet = dir.Path("old.zdn");
  const QString all = dir.Path("old.zdna");
  WriteBytes(sheet, kOld);
  WriteBytes(all, kOld);
  std::optional<DesignFileError> sheetError;
  std::optional<DesignFileError> allError;
  {
    FileSizeLimit limit(0);
    ASSERT_TRUE(limit.ok());
    sheetError = WriteSheetFile(sheet, testing::GoldenSheet());
    allError = WriteAllSheetsFile(all, testing::GoldenAllSheets());
  }
  const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
  ASSERT_TRUE(sheetError.has_value());
  EXPECT_EQ(*sheetError,
            (DesignFileError{QString::fromUtf8("ファイルを保存できません"),
                             QString::fromUtf8("ファイル %1 に保存できません（%2）。").arg(sheet, reason)}));
  ASSERT_TRUE(allError.has_value());
  EXPECT_TRUE(allError->text.contains(all));
  EXPECT_EQ(ReadBytes(sheet), kOld);
  EXPECT_EQ(ReadBytes(all), kOld);
  EXPECT_EQ(dir.Entries(), (QStringList{"old.zdn", "old.zdna"}));
}

// A file system of 16 KiB filled up but for a few blocks: the real "disk
// full". Mounting needs the right to (root in most containers).
class FullFileSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root; the file-size limit tests cover the failure";
    mountPoint_ = dir_.Path("tiny");
    ASSERT_TRUE(QDir().mkdir(mountPoint_));
    if (mount("kelvara-test", QFile::encodeName(mountPoint_).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
              "size=16k,nr_inodes=64") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
  }
  QString Path(const char* name) const { return mountPoint_ + "/" + QString::fromLatin1(name); }
  QStringList Entries() const {
    return QDir(mountPoint_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  }

  TempFolder dir_;
  QString mountPoint_;
  bool mounted_ = false;
};

TEST_F(FullFileSystem, ADiskFullSaveLeavesTheOldFile) {
  WriteBytes(Path("old.zdn"), kOld);
  // Fill the rest of the file system.
  QFile filler(Path("filler"));
  ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
  while (filler.write(Big(1024)) == 1024 && filler.flush()) {
  }
  filler.close();
  const std::optional<AtomicWriteError> error = WriteFileAtomically(Path("old.zdn"), Big(8192));
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, Kind::kFailed);
  EXPECT_EQ(error->reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
  EXPECT_EQ(ReadBytes(Path("old.zdn")), kOld);
  EXPECT_EQ(Entries(), (QStringList{"filler", "old.zdn"}));

  const std::optional<DesignFileError> sheet = WriteAllSheetsFile(Path("old.zdn"), testing::GoldenAllSheets());
  ASSERT_TRUE(sheet.has_value());
  EXPECT_TRUE(sheet->text.contains(Path("old.zdn")));
  EXPECT_EQ(ReadBytes(Path("old.zdn")), kOld);
  EXPECT_EQ(Entries(), (QStringList{"filler", "old.zdn"}));

  // Room again: the same save goes through.
  ASSERT_TRUE(QFile::remove(Path("filler")));
  EXPECT_FALSE(WriteAllSheetsFile(Path("old.zdn"), testing::GoldenAllSheets()));
  EXPECT_TRUE(ReadAllSheetsFile(Path("old.zdn")).ok());
}

// The kernel's own files are no regular files to save over: the reason
// given is that, not the temporary file's "No such file or directory".
TEST(AtomicWrite, AFileOfTheKernelIsNotARegularFile) {
  if (!QFileInfo(QStringLiteral("/proc/version")).isFile()) GTEST_SKIP() << "no /proc here";
  EXPECT_EQ(WriteFileAtomically(QStringLiteral("/proc/version"), "x"), (AtomicWriteError{Kind::kNotRegularFile, {}}));
  TempFolder dir;
  ASSERT_TRUE(LinkTo(QStringLiteral("/proc/version"), dir.Path("version")));
  EXPECT_EQ(WriteFileAtomically(dir.Path("version"), "x"), (AtomicWriteError{Kind::kNotRegularFile, {}}));
  EXPECT_EQ(dir.Entries(), QStringList{"version"});
}

void SetAge(const QString& path, int seconds) {
  const timespec times[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// What a save killed between making its temporary file and the rename left
// is removed by the next save of that file; anything else stays.
TEST(AtomicWrite, TheNextSaveRemovesTheTemporaryFilesOfAKilledSave) {
  TempFolder dir;
  const QString target = dir.Path("out.zdn");
  WriteBytes(target, kOld);
  const QStringList stale = {".out.zdn.k3x9q0za~", ".out.zdn.00000000~"};
  const QStringList kept = {
      ".out.zdn.fresh123~",  // a save in progress (written to just now)
      ".out.zdn.abc~",       // not our pattern
      ".out.zdn.ABCDEFGH~",  // not our letters
      ".out.zdn.abcdefgh",   // no tilde
      "out.zdn.abcdefgh~",   // no dot in front
      ".other.zdn.abcdefgh~",
  };
  for (const QString& name : stale + kept) {
    WriteBytes(dir.Path(name), "partial");
    if (name != ".out.zdn.fresh123~") SetAge(dir.Path(name), 3600);
  }
  ASSERT_TRUE(QDir().mkdir(dir.Path(".out.zdn.folder12~")));  // only files are removed
  SetAge(dir.Path(".out.zdn.folder12~"), 3600);
  ASSERT_FALSE(WriteFileAtomically(target, "new"));
  QStringList expected = kept + QStringList{".out.zdn.folder12~", "out.zdn"};
  QStringList entries = dir.Entries();
  expected.sort();
  entries.sort();
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(ReadBytes(target), "new");
}

// A save killed while it writes: the target is whole (old or new) and no
// temporary file is left. The child saves over and over until it is killed.
TEST(AtomicWrite, ASaveKilledWhileWritingLeavesNoTemporaryFile) {
  TempFolder dir;
  const QString target = dir.Path("big.zdn");
  const QByteArray old = Big(1000);
  WriteBytes(target, old);
  const QByteArray big = Big(32 * 1024 * 1024);
  for (int round = 0; round < 3; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      const char byte = 'r';
      if (write(ready[1], &byte, 1) != 1) _exit(1);
      for (;;) {
        if (WriteFileAtomically(target, big)) _exit(2);
      }
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    usleep(150000 + 50000 * round);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;
    EXPECT_EQ(dir.Entries(), QStringList{"big.zdn"}) << "round " << round;
    const QByteArray now = ReadBytes(target);
    EXPECT_TRUE(now == old || now == big) << now.size();
  }
}

}  // namespace
}  // namespace kelvara::storage
