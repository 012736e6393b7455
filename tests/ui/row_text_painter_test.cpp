// A list row drawn from the font's character map looks exactly as the painter's own text would,
// within the span asked for; characters the map lacks still show.
#include "ui/row_text_painter.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QImage>
#include <QPainter>

namespace v7400::testing {
namespace {

constexpr QSize kCanvas(640, 24);
constexpr QPointF kOrigin(3, 17);

QImage Canvas() {
  QImage image(kCanvas, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

TEST(RowTextPainter, DrawsWhatThePainterWouldWithinTheSpan) {
  const struct {
    const char* name;
    QString text;
    qreal left;
    qreal right;
  } cases[] = {
      {"a frame entry", QStringLiteral("14:05:09 <1> :  ABC[20]    <06>"), 0, 640},
      {"upper half of Latin-1", QString::fromLatin1("\xC4\xD6\xDC \xE9\xFF\xB0"), 0, 640},
      {"only the visible span", QStringLiteral("[10]0D0B[9]25130105[#1234|NBA05][13]"), 90, 200},
      {"a control character goes the painter's way", QString::fromLatin1("A\001B"), 0, 640},
      {"nothing", QString(), 0, 640},
  };
  for (const QFont& font : {QFontDatabase::systemFont(QFontDatabase::FixedFont),
                            QFontDatabase::systemFont(QFontDatabase::GeneralFont)}) {
    RowTextPainter row;
    row.SetFont(font);
    for (const auto& c : cases) {
      QImage expected = Canvas();
      QImage drawn = Canvas();
      const QRectF span(c.left, 0, c.right - c.left, kCanvas.height());
      {
        QPainter painter(&expected);
        painter.setFont(font);
        painter.setClipRect(span);
        painter.drawText(kOrigin, c.text);
      }
      {
        QPainter painter(&drawn);
        painter.setFont(font);
        painter.setClipRect(span);
        row.Draw(painter, c.text, kOrigin, c.left, c.right);
      }
      EXPECT_EQ(drawn, expected) << c.name << " in " << font.family().toStdString();
    }
  }
}

}  // namespace
}  // namespace v7400::testing
