// The circuit picture of the shown design on the page "回路".

#include <QPixmap>

#include "app/common/application.h"
#include "app/common/jpeg_image.h"
#include "app/common/ui_texts.h"
#include "app/main_window/form_main.h"

namespace kelvara::app {

void TFormMain::ShowCircuitPicture(int kind, int orderIndex) {
  // A sheet of sections shows its inputs and parts, and draws its circuit.
  ShowSectionControls();
  if (ControlsNeedSections()) {
    RebuildSectionParts();
    ShowSectionsPicture();
    return;
  }
  if (kind < 0 || kind >= static_cast<int>(PictureNames.size()) || orderIndex < 0 ||
      orderIndex >= static_cast<int>(PictureNames[0].size())) {
    return;  // no picture for a design without kind or order
  }
  const QString path = ProgramDir + QString(text::kPictDir) + PictureNames[kind][orderIndex];
  auto result = ReadJpegFile(path);
  if (auto* failure = std::get_if<JpegFailure>(&result)) {
    if (failure->cannotOpen) throw KelvaraError(QString(text::kCannotOpenFile).arg(path));
    throw KelvaraError(QString(text::kNotAJpeg).arg(path, failure->reason));
  }
  // Shown at its own size from the top-left corner, neither stretched nor
  // centred; a bigger picture is cut at the edges of the area.
  Image1->setPixmap(QPixmap::fromImage(std::get<QImage>(result)));
}

}  // namespace kelvara::app
