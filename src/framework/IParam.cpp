#include "framework/IParam.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Copies text (null counts as "") into a fixed field, cut to fit and terminated.
void CopyField(char* dst, const char* text)
{
  if (!text) text = "";
  size_t n = strnlen(text, IParam::kTextSize - 1);
  memcpy(dst, text, n);
  dst[n] = 0;
}

// Copies text into out (outSize bytes), cut to fit and terminated.
void CopyOut(char* out, int outSize, const char* text)
{
  const size_t n = strnlen(text, (size_t)outSize - 1);
  memcpy(out, text, n);
  out[n] = 0;
}

}  // namespace

int IParam::TruncToInt(double v) noexcept
{
  if (std::isnan(v)) return 0;
  if (v >= (double)INT_MAX) return INT_MAX;
  if (v <= (double)INT_MIN) return INT_MIN;
  return (int)v;
}

int IParam::PrecisionForStep(double step) noexcept
{
  double scaled = step;
  for (int k = 0; k <= 5; ++k)
  {
    if (scaled == std::floor(scaled)) return k;
    scaled *= 10.0;
  }
  return 6;
}

void IParam::InitCommon(EParamKind kind, const char* name, const char* label, const char* group,
                        double defaultValue, double min, double max, double step) noexcept
{
  if (mKind == kTypeNone) mKind = kind;
  CopyField(mName, name);
  CopyField(mLabel, label);
  CopyField(mParamGroup, group);
  mValue = mDefault = defaultValue;
  mMin = min;
  mMax = max;
  mStep = step;
}

void IParam::InitBool(const char* name, bool defaultValue, const char* label, const char* group) noexcept
{
  InitCommon(kTypeBool, name, label, group, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0);
  mShape = 1.0;
  mDisplayPrecision = 0;
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultValue, int count, const char* label, const char* group) noexcept
{
  const double max = (double)count - 1.0 > 1.0 ? (double)count - 1.0 : 1.0;
  InitCommon(kTypeEnum, name, label, group, defaultValue, 0.0, max, 1.0);
  mShape = 1.0;
  mDisplayPrecision = 0;
}

void IParam::InitInt(const char* name, int defaultValue, int min, int max, const char* label,
                     const char* group) noexcept
{
  const double lo = min;
  const double hi = (double)max > lo + 1.0 ? (double)max : lo + 1.0;
  InitCommon(kTypeInt, name, label, group, defaultValue, lo, hi, 1.0);
  mShape = 1.0;
  mDisplayPrecision = 0;
}

void IParam::InitDouble(const char* name, double defaultValue, double min, double max, double step,
                        const char* label, const char* group, double shape) noexcept
{
  InitCommon(kTypeDouble, name, label, group, defaultValue, min, max > min + step ? max : min + step, step);
  mDisplayPrecision = PrecisionForStep(step);
  SetShape(shape);
}

bool IParam::SetDisplayText(int value, const char* text) noexcept
{
  const int n = mDisplayTexts.GetSize();
  DisplayText* texts = mDisplayTexts.Resize(n + 1);
  if (!texts || mDisplayTexts.GetSize() != n + 1) return false;
  texts[n].mValue = value;
  CopyField(texts[n].mText, text);
  return true;
}

void IParam::SetShape(double shape) noexcept
{
  if (shape != 0.0) mShape = shape;
}

void IParam::SetNormalized(double normalized) noexcept
{
  if (std::isnan(normalized)) return;
  double v = mMin + (mMax - mMin) * std::pow(normalized, mShape);
  if (mKind != kTypeDouble) v = std::floor(v / mStep + 0.5) * mStep;
  if (v > mMax) v = mMax;
  // A negative input under a fractional shape, or a zero step, gives NaN: keep the
  // previous value rather than spread it into gains and filters.
  if (std::isnan(v)) return;
  mValue = v;
}

double IParam::GetNormalized(double plain) const noexcept
{
  if (!(mMax > mMin)) return 0.0;  // an empty range (only a non-positive step makes one)
  if (plain < mMin) plain = mMin;
  if (plain > mMax) plain = mMax;
  return std::pow((plain - mMin) / (mMax - mMin), 1.0 / mShape);
}

double IParam::GetNonNormalized(double normalized) const noexcept
{
  return mMin + (mMax - mMin) * std::pow(normalized, mShape);
}

double IParam::GetDefaultNormalized() const noexcept
{
  if (!(mMax > mMin)) return 0.0;
  return std::pow((mDefault - mMin) / (mMax - mMin), 1.0 / mShape);
}

void IParam::GetDisplayForHost(double value, bool normalized, char* out, bool useTexts, int outSize) const noexcept
{
  if (!out || outSize <= 0) return;
  if (normalized) value = GetNonNormalized(value);

  if (useTexts && GetNDisplayTexts() > 0)
  {
    const DisplayText* entry = FindDisplayText(TruncToInt(value));
    if (entry && entry->mText[0])
    {
      CopyOut(out, outSize, entry->mText);
      return;
    }
  }

  int written;
  if (mDisplayPrecision == 0)
    written = snprintf(out, (size_t)outSize, "%d", TruncToInt(value));
  else
    written = snprintf(out, (size_t)outSize, "%.*f", mDisplayPrecision, value);
  if (written < 0) out[0] = 0;
}

const IParam::DisplayText* IParam::FindDisplayText(int value) const noexcept
{
  const DisplayText* texts = mDisplayTexts.Get();
  for (int i = 0, n = GetNDisplayTexts(); i < n; ++i)
    if (texts[i].mValue == value) return &texts[i];
  return nullptr;
}

const char* IParam::GetDisplayText(int value) const noexcept
{
  const DisplayText* entry = FindDisplayText(value);
  return entry ? entry->mText : "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, int* value) const noexcept
{
  if (idx < 0 || idx >= GetNDisplayTexts()) return "";
  const DisplayText& entry = mDisplayTexts.Get()[idx];
  if (value) *value = entry.mValue;
  return entry.mText;
}

bool IParam::MapDisplayText(const char* text, int* value) const noexcept
{
  if (!text) return false;
  const DisplayText* texts = mDisplayTexts.Get();
  for (int i = 0, n = GetNDisplayTexts(); i < n; ++i)
  {
    if (strcmp(texts[i].mText, text) == 0)
    {
      if (value) *value = texts[i].mValue;
      return true;
    }
  }
  return false;
}

const char* IParam::GetLabelForHost() const noexcept
{
  return GetDisplayText(GetInt())[0] ? "" : mLabel;
}

void IParam::GetBounds(double* lo, double* hi) const noexcept
{
  if (lo) *lo = mMin;
  if (hi) *hi = mMax;
}

double IParam::DBToAmp() const noexcept
{
  return std::exp(mValue * 0.1151292546497);
}

void IParam::SetValue(double v) noexcept
{
  if (std::isnan(v)) return;
  if (v < mMin) v = mMin;
  if (v > mMax) v = mMax;
  mValue = v;
}
