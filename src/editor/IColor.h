#pragma once

// A colour with straight alpha, each channel 0-255.
struct IColor
{
  int A = 255, R = 0, G = 0, B = 0;

  IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }

  // The raster pixel 0xAARRGGBB.
  unsigned int ToPixel() const
  {
    return (static_cast<unsigned int>(A & 0xFF) << 24) | (static_cast<unsigned int>(R & 0xFF) << 16) |
           (static_cast<unsigned int>(G & 0xFF) << 8) | static_cast<unsigned int>(B & 0xFF);
  }
  static IColor FromPixel(unsigned int p)
  {
    return IColor(static_cast<int>(p >> 24), static_cast<int>((p >> 16) & 0xFF),
                  static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF));
  }
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
inline constexpr IColor DEFAULT_TEXT_COLOR(255, 0, 0, 0);
inline constexpr IColor DEFAULT_TEXT_ENTRY_BGCOLOR(255, 255, 255, 255);
inline constexpr IColor DEFAULT_TEXT_ENTRY_FGCOLOR(255, 0, 0, 0);
