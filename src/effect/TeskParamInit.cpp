#include "effect/TeskParamInit.h"

#include <new>

#include "effect/TeskParameterTable.h"
#include "framework/IEffectBase.h"

namespace {

void InitParam(IParam* param, const TeskParams::Param& p)
{
  if (p.kind == TeskParams::Kind::Continuous) {
    param->InitDouble(p.title, p.def, p.min, p.max, p.step, p.unit, "", 1.0);
    param->SetShape(1.0);
    param->SetSignedDisplay(true);
  } else {
    param->InitInt(p.title, static_cast<int>(p.def), static_cast<int>(p.min), static_cast<int>(p.max), p.unit, "");
    for (int k = 0; k < p.numStrings; ++k)
      if (!param->SetDisplayText(k, p.strings[k]))
        throw std::bad_alloc();
  }
  param->SetShortName(p.code);
}

} // namespace

void InitTeskParams(IEffectBase* plug)
{
  for (const TeskParams::Param& p : TeskParams::kTable)
    InitParam(plug->GetParam(p.id), p);
}
