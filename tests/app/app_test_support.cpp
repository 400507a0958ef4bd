#include "tests/app/app_test_support.h"

#include <QCoreApplication>
#include <variant>

#include "app/common/jpeg_image.h"

namespace kelvara::app::testing {

QString AssetsDir() { return QStringLiteral(KELVARA_ASSETS_DIR); }

namespace {
KelvaraApplication& App() { return *static_cast<KelvaraApplication*>(QCoreApplication::instance()); }
}  // namespace

ErrorRecorder::ErrorRecorder() { App().SetErrorDisplay(&display_); }
ErrorRecorder::~ErrorRecorder() { App().SetErrorDisplay(nullptr); }

void WindowTest::Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

void WindowTest::SelectTab(int index) { W().TabDesign->Tabs()->setCurrentIndex(index); }

std::vector<bool> WindowTest::ShownGroups() const {
  std::vector<bool> shown;
  for (const auto* groups : {&window->groupR, &window->groupC}) {
    for (const PartGroup& g : *groups) shown.push_back(!g.box->isHidden());
  }
  return shown;
}

std::vector<bool> WindowTest::GroupsOfOrder(int order) {
  std::vector<bool> shown;
  for (int kind = 0; kind < 2; ++kind) {
    for (int k = 1; k <= 8; ++k) shown.push_back(k <= order);
  }
  return shown;
}

QImage LoadPicture(const QString& path) {
  auto result = ReadJpegFile(path);
  if (auto* image = std::get_if<QImage>(&result)) return image->convertToFormat(QImage::Format_RGB888);
  return {};
}

bool WindowTest::ShowsPicture(const char* name) const {
  const QImage expected = LoadPicture(AssetsDir() + QStringLiteral("pict/") + QString::fromLatin1(name));
  const QImage shown = window->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
  return !expected.isNull() && shown == expected;
}

}  // namespace kelvara::app::testing
