#include "ui/font_spec_qt.h"

#include <QFontInfo>
#include <cmath>
#include <cstdlib>

namespace v7400 {

QFont ToQFont(const FontSpec& stored, bool use_size) {
  QFont font;
  if (!stored.Name.empty()) font.setFamily(QString::fromLatin1(stored.Name));
  font.setStyleHint(stored.Pitch == 2 ? QFont::Monospace : QFont::AnyStyle);
  if (stored.Name == "Courier New") font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(stored.Pitch == 2);
  if (stored.Height != 0) font.setPixelSize(std::abs(stored.Height));
  if (use_size && stored.Size > 0) font.setPointSize(stored.Size);
  font.setBold(stored.Bold);
  font.setItalic(stored.Italic);
  font.setUnderline(stored.Underline);
  font.setStrikeOut(stored.Strikeout);
  return font;
}

FontSpec FromQFont(const QFont& font, const FontSpec& previous) {
  FontSpec stored = previous;
  const QFontInfo info(font);
  stored.Name = font.family().toLatin1().toStdString();
  stored.Height = -info.pixelSize();
  stored.Size =
      font.pointSize() > 0 ? font.pointSize() : static_cast<int>(std::lround(info.pointSizeF()));
  stored.Pitch = info.fixedPitch() ? 2 : 0;
  stored.Bold = font.bold();
  stored.Italic = font.italic();
  stored.Underline = font.underline();
  stored.Strikeout = font.strikeOut();
  return stored;
}

QColor ToQColor(int color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace v7400
