#include "framework/ByteChunk.h"

#include <climits>
#include <stdint.h>

int ByteChunk::PutBytes(const void* data, int size) noexcept
{
  const int n = Size();
  if (!data || size <= 0) return n;
  if (size > INT_MAX - n) return n;
  mBytes.Resize(n + size);
  if (Size() != n + size) return n;
  memcpy(mBytes.Get() + n, data, (size_t)size);
  return n + size;
}

int ByteChunk::GetBytes(void* data, int size, int pos) const noexcept
{
  if (!data || size < 0 || pos < 0) return -1;
  if ((int64_t)pos + size > (int64_t)Size()) return -1;
  if (size > 0) memcpy(data, mBytes.Get() + pos, (size_t)size);
  return pos + size;
}

int ByteChunk::PutBool(bool value) noexcept
{
  const unsigned char byte = value ? 1 : 0;
  return PutBytes(&byte, 1);
}

int ByteChunk::GetBool(bool* value, int pos) const noexcept
{
  unsigned char byte = 0;
  pos = GetBytes(&byte, 1, pos);
  if (pos >= 0 && value) *value = byte != 0;
  return pos;
}

int ByteChunk::PutStr(const char* str) noexcept
{
  const int n = Size();
  const size_t len = str ? strlen(str) : 0;
  if (len > (size_t)(INT_MAX - 4)) return n;
  const int32_t slen = (int32_t)len;
  if (Put(&slen) != n + 4) return n;
  const int end = PutBytes(str, slen);
  if (end != n + 4 + slen)
  {
    Resize(n);  // all or nothing
    return n;
  }
  return end;
}

int ByteChunk::GetStr(Core_String* str, int pos) const noexcept
{
  int32_t len = 0;
  pos = Get(&len, pos);
  if (pos < 0 || len < 0) return -1;
  const int64_t end = (int64_t)pos + len;
  if (end > INT_MAX) return -1;
  if (end <= Size() && str)
  {
    if (len == 0)
      str->Set("");
    else
      str->Set((const char*)mBytes.Get() + pos, len);
  }
  return (int)end;
}

int ByteChunk::PutChunk(const ByteChunk* other) noexcept
{
  if (!other) return Size();
  return PutBytes(other->GetBytes(), other->Size());
}

void ByteChunk::Clear() noexcept
{
  mBytes.Resize(0);
}

int ByteChunk::Resize(int newSize) noexcept
{
  const int n = Size();
  if (newSize < 0) newSize = 0;
  mBytes.Resize(newSize);
  const int size = Size();
  if (size > n) memset(mBytes.Get() + n, 0, (size_t)(size - n));
  return size;
}

bool ByteChunk::IsEqual(const ByteChunk* other) const noexcept
{
  if (!other || other->Size() != Size()) return false;
  return Size() == 0 || memcmp(GetBytes(), other->GetBytes(), (size_t)Size()) == 0;
}
