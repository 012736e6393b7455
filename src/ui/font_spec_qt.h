// Stored font records to Qt fonts and back.
#pragma once

#include <QColor>
#include <QFont>

#include "app/preferences.h"

namespace v7400 {

// `use_size`: a stored size overrides the height (loaded fonts); design fonts go by height.
QFont ToQFont(const FontSpec& stored, bool use_size);
// The record of a chosen font; the character set and colour the font has no room for are kept
// from `previous`.
FontSpec FromQFont(const QFont& font, const FontSpec& previous);
QColor ToQColor(int color);

}  // namespace v7400
