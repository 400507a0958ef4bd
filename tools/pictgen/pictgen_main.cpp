// kelvara-pictgen OUTDIR: draws the fourteen circuit pictures
// (OUTDIR/pict/LPF_2.jpg .. HPF_8.jpg) and the program icon
// (OUTDIR/kelvara.png). Run it on assets/ to regenerate the shipped files.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "tools/pictgen/jpeg_writer.h"
#include "tools/pictgen/schematic.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvara-pictgen OUTDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("pict"))) {
    std::fprintf(stderr, "cannot create %s/pict\n", argv[1]);
    return 1;
  }
  for (int kind = 0; kind < 2; ++kind) {
    for (int order = 2; order <= 8; ++order) {
      const QString name = QStringLiteral("pict/%1_%2.jpg").arg(kind ? "HPF" : "LPF").arg(order);
      const QString path = out.filePath(name);
      kelvara::pictgen::SchematicBoxes boxes;
      const QImage picture = kelvara::pictgen::DrawSchematic(kind == 1, order, &boxes);
      if (const auto touching = kelvara::pictgen::TouchingLabels(boxes); !touching.empty()) {
        std::fprintf(stderr, "%s: the label %s touches the drawing\n", qPrintable(name), qPrintable(touching.front()));
        return 1;
      }
      if (!kelvara::pictgen::WriteJpeg(picture, path, 92)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
      }
    }
  }
  if (!kelvara::pictgen::DrawIcon(64).save(out.filePath(QStringLiteral("kelvara.png")), "PNG")) {
    std::fprintf(stderr, "cannot write the icon\n");
    return 1;
  }
  return 0;
}
