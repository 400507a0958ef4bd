// kelvara-pictgen OUTDIR: draws the fourteen circuit pictures
// (OUTDIR/pict/LPF_2.jpg .. HPF_8.jpg) and the program icon (OUTDIR/kelvara.png,
// and for the icon theme OUTDIR/icons/hicolor/NxN/apps/kelvara.png and
// OUTDIR/icons/hicolor/scalable/apps/kelvara.svg). Run it on assets/ to
// regenerate the shipped files.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "schematic/schematic.h"
#include "tools/pictgen/icon.h"
#include "tools/pictgen/icon_svg.h"
#include "tools/pictgen/jpeg_writer.h"

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
      kelvara::schematic::SchematicBoxes boxes;
      const QImage picture = kelvara::schematic::DrawSchematic(kind == 1, order, &boxes);
      if (const auto touching = kelvara::schematic::TouchingLabels(boxes); !touching.empty()) {
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
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("icons/hicolor/%1x%1/apps").arg(size);
    if (!out.mkpath(dir) ||
        !kelvara::pictgen::DrawIcon(size).save(out.filePath(dir + QStringLiteral("/kelvara.png")), "PNG")) {
      std::fprintf(stderr, "cannot write the %d px icon\n", size);
      return 1;
    }
  }
  QFile svg(out.filePath(QStringLiteral("icons/hicolor/scalable/apps/kelvara.svg")));
  if (!out.mkpath(QStringLiteral("icons/hicolor/scalable/apps")) || !svg.open(QIODevice::WriteOnly) ||
      svg.write(kelvara::pictgen::IconSvg()) < 0 || !svg.flush()) {
    std::fprintf(stderr, "cannot write the scalable icon\n");
    return 1;
  }
  return 0;
}
