#include "raster/Pix_SysBitmap.h"

#include "gdi/Gdi.h"

Pix_SysBitmap::Pix_SysBitmap(int w, int h)
{
  if (w > 0 && h > 0) resize(w, h);
}

Pix_SysBitmap::~Pix_SysBitmap()
{
  release();
}

void Pix_SysBitmap::release()
{
  if (m_dc) Gdi_DeleteGfxContext(m_dc);
  m_dc = nullptr;
  m_bits = nullptr;
}

bool Pix_SysBitmap::resize(int w, int h)
{
  if (w == m_w && h == m_h) return false;
  m_w = w;
  m_h = h;
  if (w != 0 && h != 0 && m_span >= w && m_allocH >= h && m_bits) return true;

  release();
  if (h <= 0 || w < 1 || w > 0x7FFFFFFF - 3)
  {
    // No surface: report an empty bitmap rather than a size without pixels.
    m_w = m_h = m_span = m_allocH = 0;
    return false;
  }
  m_span = (w + 3) & ~3;
  m_allocH = h;
  m_dc = Gdi_CreateMemContext(nullptr, m_span, h);
  m_bits = (Pix_Pixel*)Gdi_GetCtxFrameBuffer(m_dc);
  if (!m_bits)
  {
    release();
    m_w = m_h = m_span = m_allocH = 0;
  }
  return true;
}
