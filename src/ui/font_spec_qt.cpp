#include "ui/font_spec_qt.h"

#include <QFontInfo>
#include <cmath>
#include <cstdlib>

namespace v7400 {

QFont ToQFont(const FontSpec& spec, bool use_size) {
  QFont font;
  if (!spec.Name.empty()) font.setFamily(QString::fromLatin1(spec.Name));
  font.setStyleHint(spec.Pitch == 2 ? QFont::Monospace : QFont::AnyStyle);
  if (spec.Name == "Courier New") font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(spec.Pitch == 2);
  if (spec.Height != 0) font.setPixelSize(std::abs(spec.Height));
  if (use_size && spec.Size > 0) font.setPointSize(spec.Size);
  font.setBold(spec.Bold);
  font.setItalic(spec.Italic);
  font.setUnderline(spec.Underline);
  font.setStrikeOut(spec.Strikeout);
  return font;
}

FontSpec FromQFont(const QFont& font, const FontSpec& previous) {
  FontSpec spec = previous;
  const QFontInfo info(font);
  spec.Name = font.family().toLatin1().toStdString();
  spec.Height = -info.pixelSize();
  spec.Size =
      font.pointSize() > 0 ? font.pointSize() : static_cast<int>(std::lround(info.pointSizeF()));
  spec.Pitch = info.fixedPitch() ? 2 : 0;
  spec.Bold = font.bold();
  spec.Italic = font.italic();
  spec.Underline = font.underline();
  spec.Strikeout = font.strikeOut();
  return spec;
}

QColor ToQColor(int color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace v7400
