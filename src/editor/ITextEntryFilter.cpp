#include "editor/ITextEntryFilter.h"

#include <cstdlib>
#include <cstring>

#include "framework/IParam.h"

ITextEntryFilter ITextEntryFilter::ForParam(const IParam* param, int maxLength)
{
  ITextEntryFilter f;
  if (!param) return f;
  switch (param->GetKind())
  {
    case IParam::kTypeBool:
    case IParam::kTypeInt:
    case IParam::kTypeEnum: f.mAllowed = kIntChars; break;
    case IParam::kTypeDouble: f.mAllowed = kDoubleChars; break;
    default: f.mAllowed = nullptr; break;
  }
  f.mMaxLength = maxLength > 0 ? maxLength : 0;
  f.mMaxValue = 0;
  return f;
}

bool ITextEntryFilter::Accepts(const char* text) const
{
  if (!text) text = "";
  size_t len = strlen(text);
  if (mAllowed)
    for (size_t i = 0; i < len; ++i)
      if (!strchr(mAllowed, text[i])) return false;
  if (mMaxLength > 0 && len > static_cast<size_t>(mMaxLength)) return false;
  if (mMaxValue > 0)
  {
    // The leading integer, as a text field's integer value reads it (no overflow: saturate).
    long long v = strtoll(text, nullptr, 10);
    if (v > mMaxValue) return false;
  }
  return true;
}
