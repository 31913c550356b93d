#include "framework/IParam.h"

#include <charconv>
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

bool IsSpace(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c)
{
  return c >= '0' && c <= '9';
}

bool IsUnitChar(char c)
{
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '%' || c == '/';
}

char LowerASCII(char c)
{
  return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// ASCII comparison that ignores letter case (the host's locale plays no part).
bool EqualsIgnoringCase(const char* a, const char* b)
{
  for (; *a && *b; ++a, ++b)
    if (LowerASCII(*a) != LowerASCII(*b)) return false;
  return *a == *b;
}

// Copies text without its leading and trailing spaces into out (outSize bytes); false
// when it does not fit.
bool CopyTrimmed(const char* text, char* out, size_t outSize)
{
  while (IsSpace(*text)) ++text;
  size_t n = strlen(text);
  while (n > 0 && IsSpace(text[n - 1])) --n;
  if (n >= outSize) return false;
  memcpy(out, text, n);
  out[n] = 0;
  return true;
}

// True when every digit of a printed number is 0 ("0.00", "-0.00").
bool PrintsAsZero(const char* s)
{
  for (; *s; ++s)
    if (IsDigit(*s) && *s != '0') return false;
  return true;
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

  // Room for any double printed with a fixed precision (up to 309 integer digits), with
  // one byte in front for a '+'.
  char buffer[400];
  // to_chars writes the same digits in every locale (a host may set one with a decimal
  // comma), so the text always reads back through FromDisplayText.
  char* number = buffer + 1;
  char* const last = buffer + sizeof(buffer) - 1;
  std::to_chars_result r;
  if (mDisplayPrecision == 0)
    r = std::to_chars(number, last, TruncToInt(value));
  else
    r = std::to_chars(number, last, value, std::chars_format::fixed, mDisplayPrecision);
  if (r.ec != std::errc())
  {
    out[0] = 0;
    return;
  }
  *r.ptr = 0;
  const char* text = number;
  if (mShowSign)
  {
    if (PrintsAsZero(number))
    {
      if (number[0] == '-') ++text;  // no "-0.00"
    }
    else if (number[0] != '-')
    {
      buffer[0] = '+';
      text = buffer;
    }
  }
  CopyOut(out, outSize, text);
}

void IParam::SetShortName(const char* shortName) noexcept
{
  CopyField(mShortName, shortName);
}

bool IParam::ParseNumber(const char* text, double* number, char* unit, int unitSize) noexcept
{
  if (!text || !number || !unit || unitSize <= 0) return false;
  const char* p = text;
  while (IsSpace(*p)) ++p;

  bool negative = false;
  if (*p == '+' || *p == '-')
  {
    negative = *p == '-';
    ++p;
  }
  // The number's extent: digits, a decimal point, more digits, an exponent.
  const char* start = p;
  int digits = 0;
  while (IsDigit(*p)) ++p, ++digits;
  if (*p == '.')
  {
    ++p;
    while (IsDigit(*p)) ++p, ++digits;
  }
  if (digits == 0) return false;
  if ((*p == 'e' || *p == 'E') && (IsDigit(p[1]) || ((p[1] == '+' || p[1] == '-') && IsDigit(p[2]))))
  {
    p += 2;
    while (IsDigit(*p)) ++p;
  }
  // from_chars reads the same text in every locale and reports overflow.
  double v = 0.0;
  const std::from_chars_result r = std::from_chars(start, p, v);
  if (r.ec != std::errc() || r.ptr != p || !std::isfinite(v)) return false;
  if (negative) v = -v;

  while (IsSpace(*p)) ++p;
  // A "k" multiplier stands alone or in front of "Hz".
  if ((*p == 'k' || *p == 'K') &&
      (p[1] == 0 || IsSpace(p[1]) || ((p[1] == 'H' || p[1] == 'h') && (p[2] == 'z' || p[2] == 'Z'))))
  {
    v *= 1000.0;
    if (!std::isfinite(v)) return false;
    ++p;
  }
  int n = 0;
  while (IsUnitChar(*p))
  {
    if (n >= unitSize - 1) return false;
    unit[n++] = *p++;
  }
  unit[n] = 0;
  while (IsSpace(*p)) ++p;
  if (*p) return false;
  *number = v;
  return true;
}

bool IParam::FromDisplayText(const char* text, double* plain) const noexcept
{
  if (!text || !plain) return false;
  char typed[128];
  if (!CopyTrimmed(text, typed, sizeof(typed)) || !typed[0]) return false;

  const DisplayText* texts = mDisplayTexts.Get();
  const int nTexts = GetNDisplayTexts();
  for (int i = 0; i < nTexts; ++i)
  {
    if (texts[i].mText[0] && EqualsIgnoringCase(typed, texts[i].mText))
    {
      *plain = texts[i].mValue;
      return true;
    }
  }

  double number = 0.0;
  char unit[kTextSize];
  if (!ParseNumber(typed, &number, unit, kTextSize)) return false;

  if (nTexts > 0)
  {
    // Texts that are numbers with units: the number must name one of them.
    bool numericTexts = false;
    for (int i = 0; i < nTexts; ++i)
    {
      double textValue = 0.0;
      char textUnit[kTextSize];
      if (!ParseNumber(texts[i].mText, &textValue, textUnit, kTextSize)) continue;
      numericTexts = true;
      const bool unitFits = !unit[0] || EqualsIgnoringCase(unit, textUnit);
      const double tolerance = 1e-9 * (std::fabs(textValue) > 1.0 ? std::fabs(textValue) : 1.0);
      if (unitFits && std::fabs(number - textValue) <= tolerance)
      {
        *plain = texts[i].mValue;
        return true;
      }
    }
    if (numericTexts) return false;
    // Texts that are words: a whole number in range is the value itself.
    if (unit[0] || number != std::floor(number) || number < mMin || number > mMax) return false;
    *plain = number;
    return true;
  }

  if (unit[0] && !EqualsIgnoringCase(unit, mLabel)) return false;
  *plain = number < mMin ? mMin : (number > mMax ? mMax : number);
  return true;
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
