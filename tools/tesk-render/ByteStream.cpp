#include "ByteStream.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

tresult PLUGIN_API ByteStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
  if (numBytesRead)
    *numBytesRead = 0;
  if (numBytes < 0 || (numBytes > 0 && !buffer))
    return kInvalidArgument;
  size_t n = std::min(static_cast<size_t>(numBytes), mBytes.size() - std::min(mPos, mBytes.size()));
  if (n > 0)
    std::memcpy(buffer, mBytes.data() + mPos, n);
  mPos += n;
  if (numBytesRead)
    *numBytesRead = static_cast<int32>(n);
  return (n == 0 && numBytes > 0) ? kResultFalse : kResultOk;
}

tresult PLUGIN_API ByteStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
  if (numBytesWritten)
    *numBytesWritten = 0;
  if (numBytes < 0 || (numBytes > 0 && !buffer))
    return kInvalidArgument;
  if (mPos + numBytes > mBytes.size())
    mBytes.resize(mPos + numBytes);
  if (numBytes > 0)
    std::memcpy(mBytes.data() + mPos, buffer, numBytes);
  mPos += numBytes;
  if (numBytesWritten)
    *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API ByteStream::seek(int64 pos, int32 mode, int64* result)
{
  int64 base = 0;
  if (mode == kIBSeekCur)
    base = static_cast<int64>(mPos);
  else if (mode == kIBSeekEnd)
    base = static_cast<int64>(mBytes.size());
  else if (mode != kIBSeekSet)
    return kInvalidArgument;
  if (base + pos < 0)
    return kInvalidArgument;
  mPos = static_cast<size_t>(base + pos);
  if (result)
    *result = static_cast<int64>(mPos);
  return kResultOk;
}

tresult PLUGIN_API ByteStream::tell(int64* pos)
{
  if (!pos)
    return kInvalidArgument;
  *pos = static_cast<int64>(mPos);
  return kResultOk;
}

tresult PLUGIN_API ByteStream::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, IBStream::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    *obj = this;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}
