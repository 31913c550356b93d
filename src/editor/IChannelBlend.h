#pragma once

// How a drawing operation combines with the surface: a method and an opacity (0-1).
struct IChannelBlend
{
  enum EBlendMethod : int
  {
    kBlendNone = 0,       // alpha blend (copy using source alpha)
    kBlendClobber = 1,    // opaque copy, alpha ignored
    kBlendAdd = 2,        // additive
    kBlendColorDodge = 3  // colour dodge
  };

  EBlendMethod mMethod = kBlendNone;
  float mWeight = 1.0f;

  IChannelBlend(EBlendMethod method = kBlendNone, float weight = 1.0f) : mMethod(method), mWeight(weight) {}

  // The raster mode word and weight for this blend (a null blend: copy with source alpha, 1.0).
  static int ModeOf(const IChannelBlend* b)
  {
    if (!b) return 0x10000;
    switch (b->mMethod)
    {
      case kBlendClobber: return 0;
      case kBlendAdd: return 0x10001;
      case kBlendColorDodge: return 0x10002;
      default: return 0x10000;
    }
  }
  static float WeightOf(const IChannelBlend* b) { return b ? b->mWeight : 1.0f; }
};
