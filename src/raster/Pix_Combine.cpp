#include "raster/Pix_Combine.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pix
{
namespace
{
// 65536 / n for n = 1 ... 255 (index 0 unused): divisions of the colour conversion become
// multiplications.
struct Reciprocals
{
  int v[256] = {};
  constexpr Reciprocals()
  {
    v[0] = 0;
    for (int i = 1; i < 256; ++i) v[i] = (65536 + i - 1) / i;
  }
};
constexpr Reciprocals kRecip{};

// RGB -> hue 0 ... 383 (sectors of 64: red, yellow, green, cyan, blue, magenta), saturation
// and value 0 ... 255.
void RgbToHsv(int r, int g, int b, int& h, int& s, int& v)
{
  const int mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const int mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
  const int delta = mx - mn;
  v = mx;
  if (delta == 0)
  {
    h = 0;
    s = 0;
    return;
  }
  s = delta * 255 * kRecip.v[mx] >> 16;
  if (s > 255) s = 255;
  const int rd = kRecip.v[delta];
  if (mx == r)
    h = ((g - b) * 64 * rd) / 65536;
  else if (mx == g)
    h = 128 + ((b - r) * 64 * rd) / 65536;
  else
    h = 256 + ((r - g) * 64 * rd) / 65536;
  if (h < 0) h += 384;
}

void HsvToRgb(int h, int s, int v, int& r, int& g, int& b)
{
  if (s == 0)
  {
    r = g = b = v;
    return;
  }
  const int sector = h >> 6, f = h & 63;
  const int p = v * (255 - s) / 255;
  const int q = v * (255 * 64 - s * f) / (255 * 64);
  const int t = v * (255 * 64 - s * (64 - f)) / (255 * 64);
  switch (sector)
  {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
  }
}
struct DodgeTable
{
  uint8_t v[256][256] = {};
  constexpr DodgeTable()
  {
    for (int k = 0; k < 256; ++k)
      for (int d = 0; d < 256; ++d) v[k][d] = uint8_t(k < 255 ? Clamp255(d * 256 / (256 - k)) : Clamp255(d * 256));
  }
};
constexpr DodgeTable kDodge{};
}  // namespace

const uint8_t (&kDodgeTable)[256][256] = kDodge.v;

Pix_Pixel AdjustHSV(Pix_Pixel d, int sb, int sg, int sr, int sa, int w)
{
  int h, s, v;
  RgbToHsv(Byte(d, 2), Byte(d, 1), Byte(d, 0), h, s, v);
  h += w * (sr + sr / 2 - 192) / 256;
  h %= 384;
  if (h < 0) h += 384;
  s = Clamp255(s + w * (sg - 128) / 128);
  v = Clamp255(v + w * (sb - 128) / 128);
  int r, g, b;
  HsvToRgb(h, s, v, r, g, b);
  return Pack(b, g, r, Clamp255(sa));
}

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpClobber&)
{
  if (n > 0 && d != s) std::memmove(d, s, size_t(n) * 4);
}

#if defined(__SSE2__)
namespace
{
// s + sign(d - s) x (|d - s| x f >> 8) on eight 16-bit channels, f in 0 ... 256: the truncating
// division of a signed product by 256, exact because |d - s| x f < 65536.
inline __m128i BlendTowards(__m128i d16, __m128i s16, __m128i f)
{
  const __m128i diff = _mm_sub_epi16(d16, s16);
  const __m128i sign = _mm_srai_epi16(diff, 15);
  const __m128i mag = _mm_sub_epi16(_mm_xor_si128(diff, sign), sign);
  const __m128i q = _mm_srli_epi16(_mm_mullo_epi16(mag, f), 8);
  return _mm_add_epi16(s16, _mm_sub_epi16(_mm_xor_si128(q, sign), sign));
}
// The alpha channel of two unpacked pixels copied to all four channels of each.
inline __m128i SpreadAlpha(__m128i p16)
{
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p16, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}
}  // namespace
#endif

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpCopySAFull& op)
{
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
  for (; i + 4 <= n; i += 4)
  {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i sa = _mm_and_si128(sv, amask);
    const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(sa, amask));
    if (opaque == 0xFFFF)
    {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), sv);
      continue;
    }
    const __m128i clear = _mm_cmpeq_epi32(sa, zero);
    if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
    const __m128i lo = BlendTowards(_mm_unpacklo_epi8(dv, zero), slo, _mm_sub_epi16(c255, SpreadAlpha(slo)));
    const __m128i hi = BlendTowards(_mm_unpackhi_epi8(dv, zero), shi, _mm_sub_epi16(c255, SpreadAlpha(shi)));
    __m128i res = _mm_packus_epi16(lo, hi);
    // dA := min(255, dA + sA)
    res = _mm_or_si128(_mm_andnot_si128(amask, res), _mm_and_si128(_mm_adds_epu8(dv, sv), amask));
    // sA = 0 leaves the destination as it is.
    res = _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, res));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), res);
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpCopySA& op)
{
  int i = 0;
#if defined(__SSE2__)
  if (op.w > 0 && op.w < 256)
  {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i c256 = _mm_set1_epi16(256);
    const __m128i wv = _mm_set1_epi16(short(op.w));
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= n; i += 4)
    {
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(sv, amask), zero);
      if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
      // w' = w x (sA + 1) >> 8, at most 255 here
      const __m128i wlo = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(slo), one), wv), 8);
      const __m128i whi = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(shi), one), wv), 8);
      const __m128i lo = BlendTowards(_mm_unpacklo_epi8(dv, zero), slo, _mm_sub_epi16(c256, wlo));
      const __m128i hi = BlendTowards(_mm_unpackhi_epi8(dv, zero), shi, _mm_sub_epi16(c256, whi));
      __m128i res = _mm_packus_epi16(lo, hi);
      // dA := min(255, dA + w')
      const __m128i w8 = _mm_packus_epi16(wlo, whi);
      res = _mm_or_si128(_mm_andnot_si128(amask, res), _mm_and_si128(_mm_adds_epu8(dv, w8), amask));
      res = _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, res));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), res);
    }
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpAddSA& op)
{
  int i = 0;
#if defined(__SSE2__)
  if (op.w > 0 && op.w <= 256)
  {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i wv = _mm_set1_epi16(short(op.w));
    const bool full = op.w == 256;
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= n; i += 4)
    {
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(sv, amask), zero);
      if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
      // w' = w x (sA + 1) >> 8 (at most 256; at full strength simply sA + 1, whose product with w
      // would not fit 16 bits); s x w' >> 8 (at most 255) added with saturation
      __m128i wlo = _mm_add_epi16(SpreadAlpha(slo), one), whi = _mm_add_epi16(SpreadAlpha(shi), one);
      if (!full)
      {
        wlo = _mm_srli_epi16(_mm_mullo_epi16(wlo, wv), 8);
        whi = _mm_srli_epi16(_mm_mullo_epi16(whi, wv), 8);
      }
      const __m128i alo = _mm_srli_epi16(_mm_mullo_epi16(slo, wlo), 8);
      const __m128i ahi = _mm_srli_epi16(_mm_mullo_epi16(shi, whi), 8);
      __m128i res = _mm_adds_epu8(dv, _mm_packus_epi16(alo, ahi));
      res = _mm_or_si128(_mm_and_si128(clear, dv), _mm_andnot_si128(clear, res));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), res);
    }
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpCopy& op)
{
  int i = 0;
#if defined(__SSE2__)
  if (op.w > 0 && op.w <= 256)
  {
    // s + (d - s) x (256 - w) / 256 on all four channels; results stay between s and d.
    const __m128i zero = _mm_setzero_si128();
    const __m128i f = _mm_set1_epi16(short(256 - op.w));
    for (; i + 4 <= n; i += 4)
    {
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i lo = BlendTowards(_mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(sv, zero), f);
      const __m128i hi = BlendTowards(_mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(sv, zero), f);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}

void FillRow(Pix_Pixel* d, int n, const FillOp<OpCopy>& op)
{
  int i = 0;
#if defined(__SSE2__)
  const int k = op.op.w;
  if (k > 0 && k < 256 && op.sb >= 0 && op.sb < 256 && op.sg >= 0 && op.sg < 256 && op.sr >= 0 && op.sr < 256 &&
      op.sa == k)
  {
    // The colour (fourth channel k) blended as in the blit loop above.
    const __m128i zero = _mm_setzero_si128();
    const __m128i f = _mm_set1_epi16(short(256 - k));
    const __m128i c16 = _mm_setr_epi16(short(op.sb), short(op.sg), short(op.sr), short(k), short(op.sb),
                                       short(op.sg), short(op.sr), short(k));
    for (; i + 4 <= n; i += 4)
    {
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i lo = BlendTowards(_mm_unpacklo_epi8(dv, zero), c16, f);
      const __m128i hi = BlendTowards(_mm_unpackhi_epi8(dv, zero), c16, f);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i]);
}

namespace
{
// Dodge of one pixel at weight w in 0 ... 256, where k = s x w >> 8 stays in 0 ... 255.
inline Pix_Pixel DodgeInRange(Pix_Pixel d, Pix_Pixel s, unsigned w)
{
  const unsigned k0 = (s & 0xFF) * w >> 8, k1 = (s >> 8 & 0xFF) * w >> 8, k2 = (s >> 16 & 0xFF) * w >> 8,
                 k3 = (s >> 24) * w >> 8;
  return Pix_Pixel(kDodge.v[k0][d & 0xFF]) | Pix_Pixel(kDodge.v[k1][d >> 8 & 0xFF]) << 8 |
         Pix_Pixel(kDodge.v[k2][d >> 16 & 0xFF]) << 16 | Pix_Pixel(kDodge.v[k3][d >> 24]) << 24;
}
}  // namespace

#if defined(__SSE2__)
namespace
{
// Dodge of four pixels given k = s x w' >> 8 (0 ... 255) per channel as 16-bit lanes (lo: pixels
// 0-1, hi: pixels 2-3). min(255, d x 256 / (256 - k)) in single precision is exact: the quotient
// of integers below 2^16 by a divisor of at most 256 is never rounded across an integer.
inline __m128i DodgeVec(__m128i dv, __m128i klo, __m128i khi)
{
  const __m128i zero = _mm_setzero_si128();
  const __m128 c256 = _mm_set1_ps(256.f);
  const __m128i c255 = _mm_set1_epi32(255);
  const __m128i dlo = _mm_unpacklo_epi8(dv, zero), dhi = _mm_unpackhi_epi8(dv, zero);
  __m128i q[4];
  const __m128i d16[2] = {dlo, dhi}, k16[2] = {klo, khi};
  for (int h = 0; h < 2; ++h)
    for (int p = 0; p < 2; ++p)
    {
      const __m128i d32 = p == 0 ? _mm_unpacklo_epi16(d16[h], zero) : _mm_unpackhi_epi16(d16[h], zero);
      const __m128i k32 = p == 0 ? _mm_unpacklo_epi16(k16[h], zero) : _mm_unpackhi_epi16(k16[h], zero);
      const __m128 num = _mm_mul_ps(_mm_cvtepi32_ps(d32), c256);
      const __m128 den = _mm_sub_ps(c256, _mm_cvtepi32_ps(k32));
      __m128i r = _mm_cvttps_epi32(_mm_div_ps(num, den));
      // min(r, 255) for 0 <= r
      const __m128i over = _mm_cmpgt_epi32(r, c255);
      r = _mm_or_si128(_mm_and_si128(over, c255), _mm_andnot_si128(over, r));
      q[h * 2 + p] = r;
    }
  return _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
}
}  // namespace
#endif

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpDodge& op)
{
  if (op.w < 0 || op.w > 256)
  {
    for (int i = 0; i < n; ++i) d[i] = op(d[i], s[i]);
    return;
  }
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i wv = _mm_set1_epi16(short(op.w));
  for (; i + 4 <= n; i += 4)
  {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i klo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), wv), 8);
    const __m128i khi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), wv), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), DodgeVec(dv, klo, khi));
  }
#endif
  for (; i < n; ++i) d[i] = DodgeInRange(d[i], s[i], unsigned(op.w));
}

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpDodgeSA& op)
{
  if (op.w < 0 || op.w > 256)
  {
    for (int i = 0; i < n; ++i) d[i] = op(d[i], s[i]);
    return;
  }
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi16(1);
  const __m128i wv = _mm_set1_epi16(short(op.w));
  const bool full = op.w == 256;
  for (; i + 4 <= n; i += 4)
  {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
    // w' = w x (sA + 1) >> 8, at most 256 (sA + 1 itself at full strength)
    __m128i wlo = _mm_add_epi16(SpreadAlpha(slo), one), whi = _mm_add_epi16(SpreadAlpha(shi), one);
    if (!full)
    {
      wlo = _mm_srli_epi16(_mm_mullo_epi16(wlo, wv), 8);
      whi = _mm_srli_epi16(_mm_mullo_epi16(whi, wv), 8);
    }
    const __m128i klo = _mm_srli_epi16(_mm_mullo_epi16(slo, wlo), 8);
    const __m128i khi = _mm_srli_epi16(_mm_mullo_epi16(shi, whi), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), DodgeVec(dv, klo, khi));
  }
#endif
  for (; i < n; ++i) d[i] = DodgeInRange(d[i], s[i], unsigned(op.w) * ((s[i] >> 24) + 1) >> 8);
}

void CombineRow(Pix_Pixel* d, const Pix_Pixel* s, int n, const OpAdd& op)
{
  int i = 0;
#if defined(__SSE2__)
  if (op.w > 0 && op.w <= 256)
  {
    // s x w <= 65280 fits 16 bits; d + (s x w >> 8) with byte saturation is the clamp.
    const __m128i zero = _mm_setzero_si128();
    const __m128i wv = _mm_set1_epi16(short(op.w));
    for (; i + 4 <= n; i += 4)
    {
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), wv), 8);
      const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), wv), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_adds_epu8(dv, _mm_packus_epi16(lo, hi)));
    }
  }
#endif
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}
}  // namespace pix
