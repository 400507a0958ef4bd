// The circuit picture with missing or broken files, the JPEG decoder and
// the application's error display.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/common/jpeg_image.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

QString MissingPictureError(const QString& dir, const char* name) {
  return QStringLiteral("ファイル %1pict/%2 は開けません").arg(dir, QString::fromLatin1(name));
}

class MissingPictures : public WindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    dir = folder.path() + QLatin1Char('/');
    Build(dir);
  }
  QTemporaryDir folder;
  QString dir;
};

TEST_F(MissingPictures, StartUpReportsTheFileOnceAndShowsNothing) {
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_EQ(errors.Errors()[0], MissingPictureError(dir, "LPF_2.jpg"));
  EXPECT_TRUE(W().Image1->pixmap().isNull());
  EXPECT_EQ(W().ProgramDir, dir);
}

TEST_F(MissingPictures, RulesStillApplyButTheBarIsNotReset) {
  errors.Clear();
  W().PBar->setValue(30);
  Choose(W().CBox_HPFLPF, 1);
  Choose(W().CBox_gensui, 2);  // HPF Chebyshev: the order moves to ４次
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 2);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(4));
  EXPECT_EQ(W().PBar->value(), 30);
  ASSERT_EQ(errors.Errors().size(), 2u);
  EXPECT_EQ(errors.Errors()[0], MissingPictureError(dir, "HPF_2.jpg"));
  EXPECT_EQ(errors.Errors()[1], MissingPictureError(dir, "HPF_4.jpg"));
}

TEST_F(MissingPictures, EverySheetSwitchReportsTheFile) {
  errors.Clear();
  SelectTab(1);
  SelectTab(0);
  EXPECT_EQ(errors.Errors().size(), 2u);
}

TEST_F(MissingPictures, ABrokenPictureKeepsTheOneShown) {
  ASSERT_TRUE(QDir(dir).mkpath("pict"));
  ASSERT_TRUE(QFile::copy(AssetsDir() + "pict/LPF_2.jpg", dir + "pict/LPF_2.jpg"));
  QFile broken(dir + "pict/LPF_3.jpg");
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  QFile good(AssetsDir() + "pict/LPF_3.jpg");
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  broken.write(good.read(good.size() / 3));  // truncated
  broken.close();
  errors.Clear();
  Choose(W().CBox_Jisuu, 0);
  ASSERT_TRUE(errors.Errors().empty());
  EXPECT_TRUE(ShowsPicture("LPF_2.jpg"));
  Choose(W().CBox_Jisuu, 1);
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_TRUE(
      errors.Errors()[0].startsWith(QStringLiteral("ファイル %1pict/LPF_3.jpg はJPEG画像として読めません").arg(dir)))
      << errors.Errors()[0].toStdString();
  EXPECT_TRUE(ShowsPicture("LPF_2.jpg"));
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(3));
}

TEST(Pictures, EveryKindAndOrderHasItsPicture) {
  for (const char* kind : {"LPF", "HPF"}) {
    for (int order = 2; order <= 8; ++order) {
      const QString name = QStringLiteral("%1_%2.jpg").arg(kind).arg(order);
      const QImage image = LoadPicture(AssetsDir() + "pict/" + name);
      EXPECT_EQ(image.size(), QSize(715, 210)) << name.toStdString();
    }
  }
}

TEST(JpegDecoder, RefusesWhatIsNoJpeg) {
  QFile file(AssetsDir() + "pict/HPF_5.jpg");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  const QByteArray cases[] = {
      QByteArray(),   QByteArray("not a picture at all"), good.left(2),
      good.left(600), QByteArray(4096, '\xff'),           good.left(good.size() / 2) + QByteArray(100, '\0')};
  for (const QByteArray& data : cases) {
    auto result = DecodeJpeg(data);
    ASSERT_TRUE(std::holds_alternative<JpegFailure>(result)) << data.size();
    EXPECT_FALSE(std::get<JpegFailure>(result).reason.isEmpty());
  }
  EXPECT_TRUE(std::holds_alternative<QImage>(DecodeJpeg(good)));
}

TEST(JpegDecoder, AMissingFileCannotBeOpened) {
  auto result = ReadJpegFile("/nonexistent/kelvara/pict.jpg");
  ASSERT_TRUE(std::holds_alternative<JpegFailure>(result));
  EXPECT_TRUE(std::get<JpegFailure>(result).cannotOpen);
}

class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw KelvaraError("broken handler");
    if (e->type() == QEvent::User + 1) throw 42;
    return QObject::event(e);
  }
};

TEST(ErrorDisplay, ErrorsEscapingAHandlerAreShownAndTheProgramGoesOn) {
  ErrorRecorder errors;
  Thrower thrower;
  QEvent first(QEvent::User);
  QCoreApplication::sendEvent(&thrower, &first);
  QEvent second(static_cast<QEvent::Type>(QEvent::User + 1));
  QCoreApplication::sendEvent(&thrower, &second);
  RunGuarded([] { throw std::runtime_error("from code"); });
  ReportError("reported");
  ASSERT_EQ(errors.Errors().size(), 4u);
  EXPECT_EQ(errors.Errors()[0], "broken handler");
  EXPECT_EQ(errors.Errors()[1], "") << "an object that is no error has an empty text";
  EXPECT_EQ(errors.Errors()[2], "from code");
  EXPECT_EQ(errors.Errors()[3], "reported");
}

}  // namespace
}  // namespace kelvara::app::testing
