// telvaro-icon-render: writes the application icon files installed with the
// program, painted by the same drawing as the window's own icon, so the menu
// entry and the title bar never disagree.
//   telvaro-icon-render OUTDIR
// writes OUTDIR/<n>x<n>/telvaro-pro.png for each hicolor size and, when built
// with Qt SVG, OUTDIR/scalable/telvaro-pro.svg.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>

#ifdef TELVARO_SVG_ICON
#include <QSvgGenerator>
#endif

#include "widgets/icons.h"

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr const char* kName = "telvaro-pro";

bool Fail(const QString& path) {
  std::fprintf(stderr, "telvaro-icon-render: cannot write %s\n", qPrintable(path));
  return false;
}

bool WritePng(const QString& outDir, int px) {
  const QString dir = QString("%1/%2x%2").arg(outDir).arg(px);
  const QString path = QString("%1/%2.png").arg(dir, kName);
  if (!QDir().mkpath(dir)) return Fail(dir);
  QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    telvaro::icons::PaintApplication(painter, px);
  }
  return image.save(path, "PNG") || Fail(path);
}

#ifdef TELVARO_SVG_ICON
bool WriteSvg(const QString& outDir) {
  constexpr int kViewSize = 256;
  const QString dir = outDir + "/scalable";
  const QString path = QString("%1/%2.svg").arg(dir, kName);
  if (!QDir().mkpath(dir)) return Fail(dir);
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(QSize(kViewSize, kViewSize));
  svg.setViewBox(QRect(0, 0, kViewSize, kViewSize));
  svg.setTitle("Telvaro Pro");
  svg.setDescription("A modem with its antenna");
  QPainter painter;
  if (!painter.begin(&svg)) return Fail(path);
  telvaro::icons::PaintApplication(painter, kViewSize);
  return painter.end() || Fail(path);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: telvaro-icon-render OUTDIR\n", stderr);
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  for (int px : kSizes) ok = WritePng(outDir, px) && ok;
#ifdef TELVARO_SVG_ICON
  ok = WriteSvg(outDir) && ok;
#endif
  return ok ? 0 : 1;
}
