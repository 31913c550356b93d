#include "raster/Pix_MemBitmap.h"

#include <cstdlib>

namespace
{
int RowMaskFor(int alignment)
{
  if (alignment < 2) return 0;
  int low = alignment & -alignment;
  if (low > 16 || low <= 0) low = 16;
  return low - 1;
}
}  // namespace

Pix_MemBitmap::Pix_MemBitmap(int w, int h, int alignment) : m_rowMask(RowMaskFor(alignment))
{
  if (w > 0 && h > 0) resize(w, h);
}

Pix_MemBitmap::~Pix_MemBitmap()
{
  std::free(m_buf);
}

Pix_Pixel* Pix_MemBitmap::getBits() const
{
  if (!m_buf) return nullptr;
  uintptr_t p = (reinterpret_cast<uintptr_t>(m_buf) + 63) & ~uintptr_t(63);
  return reinterpret_cast<Pix_Pixel*>(p);
}

void Pix_MemBitmap::release()
{
  std::free(m_buf);
  m_buf = nullptr;
  m_allocated = 0;
  m_w = m_h = 0;
}

bool Pix_MemBitmap::resize(int w, int h)
{
  if (w == m_w && h == m_h) return false;
  if (w <= 0 || h <= 0)
  {
    release();
    return true;
  }
  // Sizes whose byte count would not fit 32-bit arithmetic are refused, never wrapped.
  const int64_t span = (int64_t(w) + m_rowMask) & ~int64_t(m_rowMask);
  if (span > Pix_MaxPixels || span * h > Pix_MaxPixels)
  {
    release();
    return true;
  }
  const size_t bytes = size_t(span * h) * 4;
  m_w = w;
  m_h = h;
  if (m_buf && m_allocated >= bytes + 63) return true;  // reuse: never shrink

  if (m_buf)
  {
    // Grow a quarter beyond the need so that repeated resizing rarely reallocates.
    const size_t grown = bytes / 4 * 5 + 63;
    void* p = std::realloc(m_buf, grown);
    if (p)
    {
      m_buf = p;
      m_allocated = grown;
      return true;
    }
    std::free(m_buf);
    m_buf = nullptr;
    m_allocated = 0;
  }
  m_buf = std::malloc(bytes + 63);
  if (!m_buf)
  {
    release();
    return true;
  }
  m_allocated = bytes + 63;
  return true;
}
