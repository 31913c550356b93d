#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Readers for checking file layouts byte by byte.
inline uint32_t BE32At(const std::vector<unsigned char>& b, size_t pos)
{
  return ((uint32_t)b[pos] << 24) | ((uint32_t)b[pos + 1] << 16) | ((uint32_t)b[pos + 2] << 8) | (uint32_t)b[pos + 3];
}

inline float BEFloatAt(const std::vector<unsigned char>& b, size_t pos)
{
  const uint32_t bits = BE32At(b, pos);
  float f;
  memcpy(&f, &bits, 4);
  return f;
}

inline std::string TextAt(const std::vector<unsigned char>& b, size_t pos, size_t len)
{
  return std::string(b.begin() + (long)pos, b.begin() + (long)(pos + len));
}

inline void SetBE32At(std::vector<unsigned char>& b, size_t pos, uint32_t v)
{
  b[pos] = (unsigned char)(v >> 24);
  b[pos + 1] = (unsigned char)(v >> 16);
  b[pos + 2] = (unsigned char)(v >> 8);
  b[pos + 3] = (unsigned char)v;
}
