// Draws a list row's 8-bit text straight from the font's character map. A flood brings a screen
// of new rows at every refresh; shaping each one and drawing the part scrolled out of sight cost
// more than everything else the window does. Text the font cannot show this way (a character it
// lacks, or any text in a proportional font) goes through the painter's own text layout.
#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <array>

class QPainter;
class QString;

namespace v7400 {

class RowTextPainter {
 public:
  void SetFont(const QFont& font);
  // Draws `text` from `origin` (its baseline's left end), leaving out the glyphs that end left
  // of `left` or start right of `right`.
  void Draw(QPainter& painter, const QString& text, QPointF origin, qreal left, qreal right);

 private:
  static constexpr int kCodes = 256;
  QRawFont raw_;
  std::array<quint32, kCodes> glyph_{};
  std::array<qreal, kCodes> advance_{};
  QList<quint32> glyphs_;
  QList<QPointF> positions_;
};

}  // namespace v7400
