#pragma once

class Pix_IBitmap;

// A handle to a loaded image. The raster bitmap is owned by the process-wide bitmap cache.
// W and H cover the whole image (all frames); N is the frame count (1 for a plain image).
//
// The editor draws at 150 % and 200 % from the image's twice-as-large version when the
// resources have one: mHiRes (2W x 2H, owned by the bitmap cache) is looked up by the first
// draw at such a scale and remembered in the record, like a text style's cached font.
struct IBitmap
{
  Pix_IBitmap* mData = nullptr;
  int W = 0, H = 0, N = 1;
  bool mFramesAreHorizontal = false;
  Pix_IBitmap* mHiRes = nullptr;
  bool mHiResKnown = false;  // mHiRes has been looked up (null then means there is none)

  IBitmap() = default;
  IBitmap(Pix_IBitmap* data, int w, int h, int n = 1, bool framesAreHorizontal = false)
    : mData(data), W(w), H(h), N(n), mFramesAreHorizontal(framesAreHorizontal) {}

  // Size of one frame (integer division); a zero frame count counts as one frame.
  int FrameWidth() const { return mFramesAreHorizontal && N > 0 ? W / N : W; }
  int FrameHeight() const { return !mFramesAreHorizontal && N > 0 ? H / N : H; }
};
