// SPDX-License-Identifier: MIT
// Renders the SVG icon at one size to PNG, for the icon theme's fixed-size folders.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fputs("usage: sha1tester_rendericon ICON.svg SIZE OUTPUT.png\n", stderr);
    return 2;
  }
  QSvgRenderer icon(QString::fromLocal8Bit(argv[1]));
  const int size = std::atoi(argv[2]);
  if (!icon.isValid() || size <= 0) {
    std::fprintf(stderr, "sha1tester_rendericon: cannot render %s at size %s\n", argv[1], argv[2]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  icon.render(&painter);
  painter.end();
  return image.save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}
