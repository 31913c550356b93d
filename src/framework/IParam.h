#pragma once

#include <cstddef>

#include "core/Core_TypedBuf.h"

// One automatable parameter: kind, range, step, normalisation curve (shape),
// default, current plain value, display precision, name, unit label, group and an
// optional table of display texts for particular values.
//
// Values travel in two forms: plain (the parameter's own units) and normalised
// (0..1, for hosts and controls); every conversion goes through this class.
// Normalisation with shape s over [lo, hi]: n = ((v - lo) / (hi - lo))^(1/s), and
// back v = lo + (hi - lo) * n^s.
//
// No lock of its own: writers are serialised by the plug-in base's mutex. A NaN
// never becomes the value: SetNormalized and SetValue ignore it.
class IParam
{
public:
  // The kind is set by the first initialiser only. (The names carry a prefix
  // because X11 headers define None and Bool as macros.)
  enum EParamKind
  {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeInt = 2,
    kTypeEnum = 3,
    kTypeDouble = 4
  };

  // Size of the name, label, group and display-text fields, terminator included;
  // longer texts are cut to 31 characters.
  static constexpr int kTextSize = 32;

  struct DisplayText
  {
    int mValue;
    char mText[kTextSize];
  };

  IParam() noexcept = default;

  // Each initialiser copies name, label and group (null counts as ""), sets the kind
  // when it is still kTypeNone, and sets value and default to defaultValue.

  // Range 0..1, step 1; appends the display texts 0 -> "off" and 1 -> "on".
  void InitBool(const char* name, bool defaultValue, const char* label = "", const char* group = "") noexcept;
  // Range 0..max(1, count - 1), step 1; texts are added with SetDisplayText.
  void InitEnum(const char* name, int defaultValue, int count, const char* label = "",
                const char* group = "") noexcept;
  // Range min..max(max, min + 1), step 1.
  void InitInt(const char* name, int defaultValue, int min, int max, const char* label = "",
               const char* group = "") noexcept;
  // Range min..max(max, min + step); display precision derived from step; then
  // SetShape(shape).
  void InitDouble(const char* name, double defaultValue, double min, double max, double step,
                  const char* label = "", const char* group = "", double shape = 1.0) noexcept;

  // Appends one display text (cut to 31 characters); duplicates are allowed and the
  // first match wins in every lookup. False when the table could not grow.
  bool SetDisplayText(int value, const char* text) noexcept;
  // A second, short name for hosts with little room (VST 3 short title); cut to 31
  // characters. Empty unless set.
  void SetShortName(const char* shortName) noexcept;
  // Numbers are shown with an explicit sign ("+2.50", "-3.00"); a value that rounds to
  // zero at the display precision shows as "0.00". Off unless set.
  void SetSignedDisplay(bool showSign) noexcept { mShowSign = showSign; }
  // Stores the shape unless it is exactly 0.
  void SetShape(double shape) noexcept;

  // Sets the value from a normalised one: mapped through the shape, rounded to the
  // nearest step for all kinds but kTypeDouble (half a step going up), then limited
  // to the maximum only (callers pass 0..1). A NaN input or result is ignored.
  void SetNormalized(double normalized) noexcept;
  // The current value mapped to 0..1.
  double GetNormalized() const noexcept { return GetNormalized(mValue); }
  // Any plain value mapped to 0..1, clamped to the range first.
  double GetNormalized(double plain) const noexcept;
  // A normalised value mapped to the plain range, neither clamped nor stepped.
  double GetNonNormalized(double normalized) const noexcept;

  // Writes the display text for value (plain, or normalised when normalized is true)
  // into out, at most outSize bytes including the terminator; out receives "" when
  // nothing fits. With useTexts, a non-empty display text for the value truncated
  // toward zero is used; otherwise the number, truncated with precision 0 or printed
  // at the display precision. No unit label is added (see GetLabelForHost).
  void GetDisplayForHost(double value, bool normalized, char* out, bool useTexts, int outSize) const noexcept;
  template <size_t N>
  void GetDisplayForHost(double value, bool normalized, char (&out)[N], bool useTexts = true) const noexcept
  {
    GetDisplayForHost(value, normalized, out, useTexts, (int)N);
  }
  // The same for the current value.
  template <size_t N>
  void GetDisplayForHost(char (&out)[N], bool useTexts = true) const noexcept
  {
    GetDisplayForHost(mValue, false, out, useTexts, (int)N);
  }

  // Reads a value typed by a person or printed by GetDisplayForHost, as a plain value
  // limited to the range. Accepted, with surrounding spaces and in any letter case:
  //  - a display text ("60 Hz", "Linked", "on" for "On");
  //  - a number ("+2.5", "-3", "1e1"), optionally followed by the unit label ("2.5 dB");
  //    a "k" after the number multiplies it by 1000 ("3k", "3 kHz").
  //    For a parameter whose display texts are numbers with units (frequency lists), the
  //    number selects the text of that value ("3k" -> the entry "3 kHz"); for one whose
  //    display texts are words, a whole number in range selects that value.
  // Anything else is not a value: empty or null text, NaN, infinities, numbers that
  // overflow, other units or trailing characters. Then false, *plain untouched.
  bool FromDisplayText(const char* text, double* plain) const noexcept;

  // The text of the first entry with value, or "".
  const char* GetDisplayText(int value) const noexcept;
  int GetNDisplayTexts() const noexcept { return mDisplayTexts.GetSize(); }
  // The text of entry idx and, when value is not null, its value; "" (value
  // untouched) outside 0..count-1.
  const char* GetDisplayTextAtIdx(int idx, int* value = nullptr) const noexcept;
  // Reverse lookup, exact and case-sensitive, in insertion order: on the first match
  // writes the entry's value (when value is not null) and returns true; otherwise
  // false with value untouched.
  bool MapDisplayText(const char* text, int* value) const noexcept;

  const char* GetNameForHost() const noexcept { return mName; }
  const char* GetShortNameForHost() const noexcept { return mShortName; }
  const char* GetParamGroupForHost() const noexcept { return mParamGroup; }
  // "" when the current value has a non-empty display text (a word carries no unit),
  // else the label.
  const char* GetLabelForHost() const noexcept;
  void GetBounds(double* lo, double* hi) const noexcept;
  // The value read as decibels, as a linear gain.
  double DBToAmp() const noexcept;

  // Stores v limited to [minimum, maximum]; a NaN is ignored.
  void SetValue(double v) noexcept;
  double GetValue() const noexcept { return mValue; }
  bool GetBool() const noexcept { return mValue >= 0.5; }
  // The value truncated toward zero (limited to the int range).
  int GetInt() const noexcept { return TruncToInt(mValue); }
  EParamKind GetKind() const noexcept { return mKind; }
  double GetMin() const noexcept { return mMin; }
  double GetMax() const noexcept { return mMax; }
  double GetStep() const noexcept { return mStep; }
  double GetShape() const noexcept { return mShape; }
  double GetDefault() const noexcept { return mDefault; }
  // The default mapped to 0..1 without clamping.
  double GetDefaultNormalized() const noexcept;
  int GetPrecision() const noexcept { return mDisplayPrecision; }
  bool GetCanAutomate() const noexcept { return mCanAutomate; }

  // Truncation toward zero that saturates at the int range and maps NaN to 0.
  static int TruncToInt(double v) noexcept;
  // Display precision for a step: the smallest k in 0..5 for which step * 10^k
  // (by repeated multiplication) is whole, else 6.
  static int PrecisionForStep(double step) noexcept;

  // Splits text into a finite number and the unit that follows it: optional spaces, an
  // optional sign, digits with an optional decimal point and exponent, an optional "k"
  // or "K" multiplier (x1000; "kHz" counts as "k" and "Hz"), optional spaces, then the
  // unit (letters, '%' and '/' only, at most unitSize - 1 characters, "" when none) and
  // optional spaces to the end. False when the text is not of that form or the number is
  // not finite; *number and unit are then unspecified.
  static bool ParseNumber(const char* text, double* number, char* unit, int unitSize) noexcept;

private:
  void InitCommon(EParamKind kind, const char* name, const char* label, const char* group, double defaultValue,
                  double min, double max, double step) noexcept;
  const DisplayText* FindDisplayText(int value) const noexcept;

  EParamKind mKind = kTypeNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  char mName[kTextSize] = {};
  char mShortName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  char mParamGroup[kTextSize] = {};
  bool mCanAutomate = true;
  bool mShowSign = false;
  Core_TypedBuf<DisplayText> mDisplayTexts{4096};
};
