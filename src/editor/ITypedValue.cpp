#include "editor/ITypedValue.h"

#include <strings.h>

#include "framework/IParam.h"

bool ParseTypedValue(const IParam* param, const char* text, double* plain)
{
  if (!param || !text || !plain) return false;
  if (param->FromDisplayText(text, plain)) return true;

  // FromDisplayText already clamps plain numbers of a parameter without display texts, so
  // what is left to clamp is a number beyond a list.
  double number = 0.0;
  char unit[IParam::kTextSize];
  if (!IParam::ParseNumber(text, &number, unit, IParam::kTextSize)) return false;
  const int n = param->GetNDisplayTexts();
  if (n == 0) return false;

  // A list whose texts are numbers with units ("60 Hz"): its range is that of the numbers.
  bool numeric = false;
  double lowest = 0.0, highest = 0.0;
  int lowestValue = 0, highestValue = 0;
  for (int i = 0; i < n; ++i)
  {
    int value = 0;
    const char* entry = param->GetDisplayTextAtIdx(i, &value);
    double entryNumber = 0.0;
    char entryUnit[IParam::kTextSize];
    if (!IParam::ParseNumber(entry, &entryNumber, entryUnit, IParam::kTextSize)) continue;
    if (unit[0] && strcasecmp(unit, entryUnit) != 0) return false;
    if (!numeric || entryNumber < lowest) lowest = entryNumber, lowestValue = value;
    if (!numeric || entryNumber > highest) highest = entryNumber, highestValue = value;
    numeric = true;
  }
  if (numeric)
  {
    if (number < lowest) *plain = lowestValue;
    else if (number > highest) *plain = highestValue;
    else return false;
    return true;
  }

  // A list of words: a plain number stands for the value itself.
  if (unit[0]) return false;
  if (number < param->GetMin()) *plain = param->GetMin();
  else if (number > param->GetMax()) *plain = param->GetMax();
  else return false;
  return true;
}
