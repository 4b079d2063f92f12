// SPDX-License-Identifier: MIT
#pragma once

// Colours as the rich text controls store them: 0x00BBGGRR with red in the
// low byte; a negative value names a system colour (0xFF0000nn, nn the
// classic system colour index) that is resolved through the application's
// palette before any pixel arithmetic.

#include <QColor>

#include <cstdint>

namespace tessary {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
inline constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);

// The RGB value of a colour; system colours come from the palette.
QColor ResolveColor(TColor color);
inline constexpr TColor RGBToColor(int r, int g, int b) { return r | (g << 8) | (b << 16); }

}  // namespace tessary
