// Writes the program's icon as the files a desktop's icon theme takes, from
// the same drawing as the window's icon:
//   export_icons FOLDER NAME SIZE...
// gives FOLDER/hicolor/SIZExSIZE/apps/NAME.png for every SIZE and
// FOLDER/hicolor/scalable/apps/NAME.svg.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>

#include "app/app_icon.h"

namespace {

// The scalable icon's own grid; viewers scale it to any size.
constexpr int kScalableSize = 64;

bool WritePng(const QString& folder, const QString& name, int size) {
  const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
  if (!QDir().mkpath(dir)) return false;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintAppIcon(painter, size);
  painter.end();
  return image.save(dir + "/" + name + ".png");
}

bool WriteSvg(const QString& folder, const QString& name) {
  const QString dir = folder + "/hicolor/scalable/apps";
  if (!QDir().mkpath(dir)) return false;
  QSvgGenerator svg;
  svg.setFileName(dir + "/" + name + ".svg");
  svg.setSize(QSize(kScalableSize, kScalableSize));
  svg.setViewBox(QRect(0, 0, kScalableSize, kScalableSize));
  svg.setTitle(name);
  QPainter painter(&svg);
  PaintAppIcon(painter, kScalableSize);
  return painter.end();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FOLDER NAME SIZE...\n", argv[0]);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || !WritePng(folder, name, size)) {
      std::fprintf(stderr, "%s: cannot write the %s-pixel icon\n", argv[0], argv[i]);
      return 1;
    }
  }
  if (!WriteSvg(folder, name)) {
    std::fprintf(stderr, "%s: cannot write the scalable icon\n", argv[0]);
    return 1;
  }
  return 0;
}
