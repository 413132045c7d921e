// Draws Vantrel's own artwork: the window skins, the splash bitmap and the application icon in
// the sizes a desktop theme wants. Everything is painted here from shapes and gradients, so the
// images can be made again (scripts/make-artwork.sh) and changed in one place.
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRadialGradient>

#include <cstdio>
#include <string>

namespace {

const QColor kDeep(18, 52, 86);
const QColor kTeal(28, 120, 140);
const QColor kMist(226, 236, 242);
const QColor kAmber(240, 170, 60);
// The splash window shows every pixel but those of this colour.
const QColor kColourKey(255, 0, 240);

// A database drum: three stacked discs, with a band of amber mending across it.
void paintDrum(QPainter& p, const QRectF& box) {
  const qreal w = box.width();
  const qreal h = box.height();
  const qreal lip = h * 0.16;
  QLinearGradient body(box.topLeft(), box.topRight());
  body.setColorAt(0.0, kTeal.darker(130));
  body.setColorAt(0.45, kTeal.lighter(150));
  body.setColorAt(1.0, kTeal.darker(160));
  p.setPen(QPen(kDeep, qMax<qreal>(1.0, w / 48)));
  for (int disc = 2; disc >= 0; --disc) {
    const qreal top = box.top() + disc * (h - lip) / 3.0;
    const QRectF slice(box.left(), top, w, (h - lip) / 3.0 + lip);
    QPainterPath path;
    path.moveTo(slice.left(), slice.top() + lip / 2);
    path.lineTo(slice.left(), slice.bottom() - lip / 2);
    path.arcTo(QRectF(slice.left(), slice.bottom() - lip, w, lip), 180, 180);
    path.lineTo(slice.right(), slice.top() + lip / 2);
    path.arcTo(QRectF(slice.left(), slice.top(), w, lip), 0, -180);
    p.setBrush(body);
    p.drawPath(path);
    p.setBrush(kTeal.lighter(170));
    p.drawEllipse(QRectF(slice.left(), slice.top(), w, lip));
  }
  // The mend: a slanted band across the drum.
  p.save();
  p.translate(box.center());
  p.rotate(-32);
  const QRectF band(-w * 0.62, -h * 0.09, w * 1.24, h * 0.18);
  p.setPen(QPen(kAmber.darker(160), qMax<qreal>(1.0, w / 40)));
  p.setBrush(kAmber);
  p.drawRoundedRect(band, h * 0.05, h * 0.05);
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber.darker(125));
  for (int hole = -2; hole <= 2; ++hole)
    p.drawEllipse(QPointF(hole * w * 0.12, 0), w * 0.025 + 0.4, w * 0.025 + 0.4);
  p.restore();
}

QImage backdrop(int width, int height, bool withTitle) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0.0, kMist);
  sky.setColorAt(1.0, kMist.darker(112));
  p.fillRect(image.rect(), sky);
  // Faint page grid: the file is read page by page.
  p.setPen(QPen(QColor(200, 214, 224), 1));
  for (int x = 0; x < width; x += 24)
    p.drawLine(x, 0, x, height);
  for (int y = 0; y < height; y += 24)
    p.drawLine(0, y, width, y);
  if (withTitle) {
    QLinearGradient bar(0, 0, width, 0);
    bar.setColorAt(0.0, kDeep);
    bar.setColorAt(1.0, kTeal);
    p.fillRect(QRect(0, 0, width, 6), bar);
    p.fillRect(QRect(0, height - 6, width, 6), bar);
    // No drum here: the windows that wear this skin fill it with controls to the edges, and a
    // picture would show through behind them. The splash and the icons carry it.
  }
  return image;
}

QImage splash(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kColourKey);
  QPainter p(&image);
  // No antialiasing at the outline: blended edge pixels would differ from the key and show as
  // a pink fringe around the masked window.
  QPainterPath card;
  card.addRoundedRect(QRectF(8, 8, width - 16, height - 16), 28, 28);
  QLinearGradient fill(0, 0, width, height);
  fill.setColorAt(0.0, kDeep);
  fill.setColorAt(1.0, kTeal);
  p.fillPath(card, fill);
  p.setRenderHint(QPainter::Antialiasing);
  p.setClipPath(card);
  QRadialGradient glow(QPointF(width * 0.25, height * 0.45), height * 0.7);
  glow.setColorAt(0.0, QColor(255, 255, 255, 60));
  glow.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.fillRect(image.rect(), glow);
  paintDrum(p, QRectF(44, height * 0.22, height * 0.42, height * 0.56));
  p.setPen(Qt::white);
  QFont title("DejaVu Sans", 30, QFont::Bold);
  p.setFont(title);
  p.drawText(QRectF(height * 0.42 + 70, height * 0.26, width, 48), Qt::AlignLeft, "Vantrel");
  QFont subtitle("DejaVu Sans", 13);
  p.setFont(subtitle);
  p.drawText(QRectF(height * 0.42 + 72, height * 0.26 + 52, width, 24), Qt::AlignLeft,
             "for Microsoft Access");
  p.setPen(kAmber);
  p.drawText(QRectF(height * 0.42 + 72, height * 0.26 + 86, width, 24), Qt::AlignLeft,
             "Salvaging your data, page by page");
  return image;
}

QImage icon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal margin = size * 0.08;
  paintDrum(p, QRectF(margin + size * 0.06, margin, size - 2 * margin - size * 0.12,
                      size - 2 * margin));
  return image;
}

bool save(const QImage& image, const std::string& path, const char* format) {
  if (image.save(QString::fromStdString(path), format)) return true;
  std::fprintf(stderr, "make_artwork: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_artwork OUTPUT-FOLDER\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const std::string out = argv[1];
  bool ok = save(backdrop(720, 540, true), out + "/Vantrel-Access1.bmp", "BMP");
  ok = save(backdrop(480, 360, false), out + "/Skin2.bmp", "BMP") && ok;
  ok = save(splash(520, 300), out + "/Flash.bmp", "BMP") && ok;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    ok = save(icon(size), out + "/vantrel-" + std::to_string(size) + ".png", "PNG") && ok;
  return ok ? 0 : 1;
}
