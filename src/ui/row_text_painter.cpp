#include "ui/row_text_painter.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QPainter>
#include <QString>

namespace v7400 {

void RowTextPainter::SetFont(const QFont& font) {
  glyph_.fill(0);
  advance_.fill(0);
  // A proportional font kerns pairs of characters, which only the painter's text layout knows.
  raw_ = QFontInfo(font).fixedPitch() ? QRawFont::fromFont(font) : QRawFont();
  if (!raw_.isValid()) return;
  for (int code = 0; code < kCodes; ++code) {
    const QChar character(static_cast<char16_t>(code));
    int count = 1;
    quint32 glyph = 0;
    if (!raw_.glyphIndexesForChars(&character, 1, &glyph, &count) || count != 1) continue;
    QPointF advance;
    raw_.advancesForGlyphIndexes(&glyph, &advance, 1);
    glyph_[static_cast<std::size_t>(code)] = glyph;
    advance_[static_cast<std::size_t>(code)] = advance.x();
  }
}

void RowTextPainter::Draw(QPainter& painter, const QString& text, QPointF origin, qreal left,
                          qreal right) {
  glyphs_.clear();
  positions_.clear();
  qreal x = origin.x();
  for (const QChar character : text) {
    if (x > right) break;
    const char16_t code = character.unicode();
    if (code >= kCodes || glyph_[code] == 0) {
      painter.drawText(origin, text);
      return;
    }
    const qreal next = x + advance_[code];
    if (next >= left && code != u' ') {
      glyphs_.push_back(glyph_[code]);
      positions_.push_back(QPointF(x, origin.y()));
    }
    x = next;
  }
  if (glyphs_.isEmpty()) return;
  QGlyphRun run;
  run.setRawFont(raw_);
  run.setGlyphIndexes(glyphs_);
  run.setPositions(positions_);
  painter.drawGlyphRun(QPointF(), run);
}

}  // namespace v7400
