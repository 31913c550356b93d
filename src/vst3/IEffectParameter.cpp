#include "vst3/IEffectParameter.h"

#include <cmath>

#include "vst3/VST3Strings.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

ParamValue IEffectParameter::ClampNormalized(ParamValue v)
{
  if (!(v >= 0.0)) return 0.0;  // negative or NaN
  return v > 1.0 ? 1.0 : v;
}

IEffectParameter::IEffectParameter(IParam* param, ParamID id, UnitID unitId) : mParam(param)
{
  info.id = id;
  WidenToUTF16(param->GetNameForHost(), info.title, 128);
  WidenToUTF16(param->GetShortNameForHost(), info.shortTitle, 128);
  WidenToUTF16(param->GetLabelForHost(), info.units, 128);
  bool isList = false;
  switch (param->GetKind())
  {
    case IParam::kTypeBool:
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
      info.stepCount = (int32)(param->GetMax() - param->GetMin());
      // Named values: the host offers the names as a list.
      isList = param->GetNDisplayTexts() > 0;
      break;
    default:  // continuous
      info.stepCount = 0;
      break;
  }
  info.defaultNormalizedValue = param->GetDefaultNormalized();
  info.unitId = unitId;
  info.flags = (param->GetCanAutomate() ? ParameterInfo::kCanAutomate : 0) | (isList ? ParameterInfo::kIsList : 0);
  valueNormalized = info.defaultNormalizedValue;
  precision = param->GetPrecision();
}

IEffectParameter::~IEffectParameter() {}

void IEffectParameter::toString(ParamValue valueNormalized, String128 string) const
{
  FormatForHost(mParam, valueNormalized, string);
}

void IEffectParameter::FormatForHost(IParam* param, ParamValue valueNormalized, String128 string)
{
  // Room for any double printed with a fixed precision (up to 309 integer digits).
  char text[512];
  text[0] = 0;
  param->GetDisplayForHost(ClampNormalized(valueNormalized), true, text, true);
  text[sizeof(text) - 1] = 0;
  WidenToUTF16(text, string, 128);
}

bool IEffectParameter::fromString(const TChar* string, ParamValue& valueNormalized) const
{
  if (!string) return false;
  char text[128];
  NarrowToASCII(string, text, (int)sizeof(text));
  double plain = 0.0;
  if (!mParam->FromDisplayText(text, &plain)) return false;
  valueNormalized = mParam->GetNormalized(plain);
  return true;
}

ParamValue IEffectParameter::toPlain(ParamValue valueNormalized) const
{
  return mParam->GetNonNormalized(ClampNormalized(valueNormalized));
}

ParamValue IEffectParameter::toNormalized(ParamValue plainValue) const
{
  return std::isnan(plainValue) ? 0.0 : mParam->GetNormalized(plainValue);
}
