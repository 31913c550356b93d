#pragma once
// Pixel combine formulas and their dispatch (internal to the raster library).
//
// A combine step gets the destination pixel d, a source colour s and an integer weight w
// (256 = full strength). Arithmetic is 32-bit integer, division truncates toward zero, clamps
// limit to 0 ... 255; the same formula applies to each of the four channels unless stated.
// Every formula is a small functor so that each blit or fill has one inner loop per formula
// (templates), with no per-pixel branching on the mode.

#include "raster/Pix_IBitmap.h"

namespace pix
{
constexpr int Clamp255(int v)
{
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}
inline int Byte(Pix_Pixel p, int i)
{
  return int((p >> (i * 8)) & 0xFF);
}
// Stores each channel as a byte (low 8 bits, no clamping).
inline Pix_Pixel Pack(int b, int g, int r, int a)
{
  return (Pix_Pixel(b) & 0xFF) | ((Pix_Pixel(g) & 0xFF) << 8) | ((Pix_Pixel(r) & 0xFF) << 16) |
         ((Pix_Pixel(a) & 0xFF) << 24);
}

// ---- per-channel formulas ----
struct FCopy  // s + (d - s) x (256 - w) / 256, stored without clamping
{
  static int Ch(int d, int s, int w) { return s + (d - s) * (256 - w) / 256; }
};
struct FCopyClamped
{
  static int Ch(int d, int s, int w) { return Clamp255(s + (d - s) * (256 - w) / 256); }
};
struct FAdd
{
  static int Ch(int d, int s, int w) { return Clamp255(d + s * w / 256); }
};
// clamp(d x 256 / (256 - k)) for k = 0 ... 254 and clamp(d x 256) for k = 255, by [k][d].
extern const uint8_t (&kDodgeTable)[256][256];
struct FDodge
{
  static int Ch(int d, int s, int w)
  {
    const int k = s * w / 256;
    if (unsigned(k) <= 255u && unsigned(d) <= 255u) return kDodgeTable[k][d];
    return k < 255 ? Clamp255(d * 256 / (256 - k)) : Clamp255(d * 256);
  }
};
struct FMultiply
{
  static int Ch(int d, int s, int w) { return Clamp255((s * w + (256 - w) * 256) * d >> 16); }
};
struct FOverlay
{
  static int Ch(int d, int s, int w)
  {
    const int o = (256 - w) * 128;
    return Clamp255(((32768 - s * w - o) * d / 256 + s * w + o) * d >> 15);
  }
};

// A per-channel formula applied to all four channels at weight w.
template <class F>
struct ChannelOp
{
  int w;
  // Fill form: the source channels are ints (a fill's fourth channel is the weight, up to 256+).
  Pix_Pixel Fill(Pix_Pixel d, int sb, int sg, int sr, int sa) const
  {
    return Pack(F::Ch(Byte(d, 0), sb, w), F::Ch(Byte(d, 1), sg, w), F::Ch(Byte(d, 2), sr, w),
                F::Ch(Byte(d, 3), sa, w));
  }
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const { return Fill(d, Byte(s, 0), Byte(s, 1), Byte(s, 2), Byte(s, 3)); }
};
typedef ChannelOp<FCopy> OpCopy;
typedef ChannelOp<FAdd> OpAdd;
typedef ChannelOp<FDodge> OpDodge;
typedef ChannelOp<FMultiply> OpMultiply;
typedef ChannelOp<FOverlay> OpOverlay;

// Hue / saturation / value adjust: hue (0 ... 383, six sectors of 64) moves by
// w x (sR + sR / 2 - 192) / 256, saturation by w x (sG - 128) / 128, value by w x (sB - 128) / 128;
// the destination alpha becomes sA. A source of (128, 128, 128) leaves the colour as it is up to
// the rounding of the conversion.
Pix_Pixel AdjustHSV(Pix_Pixel d, int sb, int sg, int sr, int sa, int w);
struct OpAdjust
{
  int w;
  Pix_Pixel Fill(Pix_Pixel d, int sb, int sg, int sr, int sa) const { return AdjustHSV(d, sb, sg, sr, sa, w); }
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const { return AdjustHSV(d, Byte(s, 0), Byte(s, 1), Byte(s, 2), Byte(s, 3), w); }
};

// d := s, all four channels.
struct OpClobber
{
  Pix_Pixel operator()(Pix_Pixel, Pix_Pixel s) const { return s; }
};
// Half-and-half mix of all four bytes at once.
struct OpHalf
{
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const { return ((d >> 1) & 0x7F7F7F7F) + ((s >> 1) & 0x7F7F7F7F); }
};
// Destination byte dc := source byte sc.
struct OpChannel
{
  int dc, sc;
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const
  {
    return (d & ~(Pix_Pixel(0xFF) << (dc * 8))) | (Pix_Pixel(Byte(s, sc)) << (dc * 8));
  }
};

// ---- source-alpha variants: w' = w x (sA + 1) / 256 ----
// Add, dodge, multiply, overlay: the base formula at w'; Skip leaves pixels with sA = 0 alone.
template <class F, bool Skip>
struct SrcAlphaOp
{
  int w;
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const
  {
    const int sa = int(s >> 24);
    if (Skip && sa == 0) return d;
    return ChannelOp<F>{w * (sa + 1) / 256}(d, s);
  }
};
typedef SrcAlphaOp<FAdd, true> OpAddSA;
typedef SrcAlphaOp<FDodge, false> OpDodgeSA;
typedef SrcAlphaOp<FMultiply, true> OpMultiplySA;
typedef SrcAlphaOp<FOverlay, false> OpOverlaySA;

struct OpAdjustSA
{
  int w;
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const
  {
    const int sa = int(s >> 24);
    return AdjustHSV(d, Byte(s, 0), Byte(s, 1), Byte(s, 2), sa, w * (sa + 1) / 256);
  }
};

// Copy with source alpha (w > 0): RGB blended at w', dA := min(255, dA + w'); sA = 0 skips.
struct OpCopySA
{
  int w;
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const
  {
    const int sa = int(s >> 24);
    if (sa == 0) return d;
    const int w2 = w * (sa + 1) / 256;
    const int a = Byte(d, 3) + w2;
    return Pack(FCopy::Ch(Byte(d, 0), Byte(s, 0), w2), FCopy::Ch(Byte(d, 1), Byte(s, 1), w2),
                FCopy::Ch(Byte(d, 2), Byte(s, 2), w2), a > 255 ? 255 : a);
  }
};
// Copy with source alpha at full strength: sA = 0 skips, sA = 255 writes the source opaque,
// otherwise RGB := s + (255 - sA) x (d - s) / 256 and dA := min(255, dA + sA).
struct OpCopySAFull
{
  Pix_Pixel operator()(Pix_Pixel d, Pix_Pixel s) const
  {
    const int sa = int(s >> 24);
    if (sa == 0) return d;
    if (sa == 255) return s;
    const int f = 255 - sa;
    const int a = Byte(d, 3) + sa;
    const int sb = Byte(s, 0), sg = Byte(s, 1), sr = Byte(s, 2);
    return Pack(sb + f * (Byte(d, 0) - sb) / 256, sg + f * (Byte(d, 1) - sg) / 256, sr + f * (Byte(d, 2) - sr) / 256,
                a > 255 ? 255 : a);
  }
};

// Calls f(op) with the blit combine for the mode word and integer weight w (no exact-alpha
// shortcuts; see WithBlitOp). Returns false, without calling f, when the combination draws
// nothing.
template <class Fn>
bool WithBlitOpWeight(int mode, int w, Fn&& f)
{
  if ((mode & 0xF0) == 0xF0)
  {
    f(OpChannel{(mode >> 2) & 3, mode & 3});
    return true;
  }
  if (w == 0) return false;
  switch (mode & 0x100FF)
  {
    case 0:
      if (w < 0) return false;
      if (w == 256)
        f(OpClobber{});
      else
        f(OpCopy{w});
      return true;
    case 1: f(OpAdd{w}); return true;
    case 2: f(OpDodge{w}); return true;
    case 3: f(OpMultiply{w}); return true;
    case 4: f(OpOverlay{w}); return true;
    case 5: f(OpAdjust{w}); return true;
    case 0x10000:
      if (w < 0) return false;
      if (w == 256)
        f(OpCopySAFull{});
      else
        f(OpCopySA{w});
      return true;
    case 0x10001: f(OpAddSA{w}); return true;
    case 0x10002: f(OpDodgeSA{w}); return true;
    case 0x10003: f(OpMultiplySA{w}); return true;
    case 0x10004: f(OpOverlaySA{w}); return true;
    case 0x10005: f(OpAdjustSA{w}); return true;
    default: return false;
  }
}

int AlphaWeight(float alpha);

// The blit combine for a mode word and a float alpha, with the exact-alpha shortcuts of plain
// copy (alpha 1.0 copies whole words, alpha 0.5 mixes half and half).
template <class Fn>
bool WithBlitOp(int mode, float alpha, Fn&& f)
{
  if (!(alpha != 0.f)) return false;  // 0 and NaN draw nothing
  if ((mode & 0xF0) != 0xF0 && (mode & 0x100FF) == 0)
  {
    if (alpha == 1.f)
    {
      f(OpClobber{});
      return true;
    }
    if (alpha == 0.5f)
    {
      f(OpHalf{});
      return true;
    }
  }
  return WithBlitOpWeight(mode, AlphaWeight(alpha), f);
}

// ---- fills: the source is a colour with fourth channel k ----
template <class Op>
struct FillOp
{
  Op op;
  int sb, sg, sr, sa;
  Pix_Pixel operator()(Pix_Pixel d) const { return op.Fill(d, sb, sg, sr, sa); }
};
// Word-wide copy shortcuts at k = 64, 128, 192 and 256.
struct FillQuarter
{
  Pix_Pixel c;
  Pix_Pixel operator()(Pix_Pixel d) const
  {
    return ((c >> 2) & 0x3F3F3F3F) + ((d >> 2) & 0x3F3F3F3F) + ((d >> 1) & 0x7F7F7F7F);
  }
};
struct FillHalf
{
  Pix_Pixel c;
  Pix_Pixel operator()(Pix_Pixel d) const { return ((c >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F); }
};
struct FillThreeQuarters
{
  Pix_Pixel c;
  Pix_Pixel operator()(Pix_Pixel d) const
  {
    return ((c >> 1) & 0x7F7F7F7F) + ((c >> 2) & 0x3F3F3F3F) + ((d >> 2) & 0x3F3F3F3F);
  }
};
struct FillSolid
{
  Pix_Pixel c;
  Pix_Pixel operator()(Pix_Pixel) const { return c; }
};

// Calls f(op) with the fill combine for combine mode (mode & 0xFF), colour and weight k; op(d)
// gives the new pixel. Returns false when nothing is drawn.
template <class Fn>
bool WithFillOp(int mode, Pix_Pixel color, int k, Fn&& f)
{
  if (k == 0) return false;
  const int b = Byte(color, 0), g = Byte(color, 1), r = Byte(color, 2);
  switch (mode & 0xFF)
  {
    case 0:
      if (k < 0) return false;
      switch (k)
      {
        case 64: f(FillQuarter{color}); return true;
        case 128: f(FillHalf{color}); return true;
        case 192: f(FillThreeQuarters{color}); return true;
        case 256: f(FillSolid{color}); return true;
        default: f(FillOp<OpCopy>{OpCopy{k}, b, g, r, k}); return true;
      }
    case 1: f(FillOp<OpAdd>{OpAdd{k}, b, g, r, k}); return true;
    case 2: f(FillOp<OpDodge>{OpDodge{k}, b, g, r, k}); return true;
    case 3: f(FillOp<OpMultiply>{OpMultiply{k}, b, g, r, k}); return true;
    case 4: f(FillOp<OpOverlay>{OpOverlay{k}, b, g, r, k}); return true;
    case 5: f(FillOp<OpAdjust>{OpAdjust{k}, b, g, r, k}); return true;
    default: return false;
  }
}

// Fill weight for alpha, with the source-alpha bit applied (alpha x colour alpha / 255).
int FillWeight(Pix_Pixel color, float alpha, int mode);

// One pixel through the fill combine (primitives and their antialiased edges).
Pix_Pixel FillPixel(Pix_Pixel d, Pix_Pixel color, int k, int mode);

// Combines a run of n pixels of s into d with op (loops specialised for the common formulas).
// d and s may be the same run but must not otherwise overlap.
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpClobber& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpCopySAFull& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpCopySA& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpAddSA& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpAdd& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpDodge& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpCopy& op);
void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpDodgeSA& op);
template <class Op>
inline void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const Op& op)
{
  for (int i = 0; i < n; ++i) d[i] = op(d[i], s[i]);
}

// Applies a fill op to a run of n pixels (vector loop for the general copy fill).
template <class Op>
inline void FillRow(Pix_Pixel* d, int n, const Op& op)
{
  for (int i = 0; i < n; ++i) d[i] = op(d[i]);
}
void FillRow(Pix_Pixel* d, int n, const FillOp<OpCopy>& op);

// Address of screen row y (0 = top) of a non-empty bitmap; x, y must be inside it.
inline Pix_Pixel* RowPtr(const Pix_IBitmap* b, int y)
{
  const int h = b->getHeight();
  const int64_t row = b->isFlipped() ? int64_t(h - 1 - y) : int64_t(y);
  return b->getBits() + row * b->getRowSpan();
}
// True when the bitmap exists and has pixels to draw on or read.
inline bool Usable(const Pix_IBitmap* b)
{
  return b && b->getBits() && b->getWidth() > 0 && b->getHeight() > 0 && b->getRowSpan() >= b->getWidth();
}
}  // namespace pix
