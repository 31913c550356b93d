#include "lv2/LV2Ports.h"

#include <cmath>

#include "framework/IParam.h"

bool LV2PortValueToPlain(const IParam& param, float portValue, double* plain)
{
  if (std::isnan(portValue) || !plain) return false;
  double v = portValue;
  if (v < param.GetMin()) v = param.GetMin();
  if (v > param.GetMax()) v = param.GetMax();
  if (param.GetKind() != IParam::kTypeDouble) v = std::floor(v + 0.5);
  *plain = v;
  return true;
}

bool LV2EnabledToBypass(float portValue, bool* bypassed)
{
  if (std::isnan(portValue) || !bypassed) return false;
  *bypassed = portValue < 0.5f;
  return true;
}
