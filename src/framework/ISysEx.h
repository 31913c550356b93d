#pragma once

#include <cstdint>

// A system-exclusive message: sample offset within the block and a borrowed byte
// buffer (not owned; valid only for the call that passes it).
struct ISysEx
{
  int mOffset = 0;
  int mSize = 0;
  const uint8_t* mData = nullptr;

  ISysEx() noexcept = default;
  ISysEx(int offset, const uint8_t* data, int size) noexcept : mOffset(offset), mSize(size), mData(data) {}

  void Clear() noexcept
  {
    mOffset = mSize = 0;
    mData = nullptr;
  }
  // Message logging is inactive.
  void LogMsg() const noexcept {}
};

// Writes data as hex bytes separated by single spaces ("F0 01 02") into out, for as
// many bytes as fit in maxLen characters (three per byte, terminator included), and
// returns out. A null or empty data writes "". Nothing is written when out is null
// or maxLen is not positive.
char* SysExStr(char* out, int maxLen, const unsigned char* data, int size) noexcept;
