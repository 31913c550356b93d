#pragma once

class IParam;

// The input rules of a one-line text field opened for a parameter. Platform layers call
// Accepts() with the text an edit would leave; a refused edit must leave the field unchanged.
struct ITextEntryFilter
{
  const char* mAllowed = nullptr;  // characters allowed; null: any character
  int mMaxLength = 0;              // most characters; 0: no limit
  int mMaxValue = 0;               // largest leading integer; 0: no limit

  static constexpr const char* kIntChars = "0123456789-+";
  static constexpr const char* kDoubleChars = "0123456789.-+";

  // The filter for a field bound to param (Bool, Int, Enum: digits and signs; Double: also the
  // decimal point; None: any character), at most maxLength characters, no value limit.
  // A null param gives a filter that accepts everything (fields without a parameter are unfiltered).
  static ITextEntryFilter ForParam(const IParam* param, int maxLength);

  // True when text (the whole content after the edit; null counts as "") passes every rule.
  bool Accepts(const char* text) const;
};
