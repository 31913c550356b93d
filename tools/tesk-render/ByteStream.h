#pragma once
// An IBStream over a byte vector, for state transfer between the host and a plug-in.
// Reads past the end return what is left (possibly nothing) and report kResultFalse
// when nothing could be read.

#include "pluginterfaces/base/ibstream.h"

#include <cstdint>
#include <vector>

class ByteStream : public Steinberg::IBStream
{
public:
  ByteStream() = default;
  explicit ByteStream(std::vector<uint8_t> bytes) : mBytes(std::move(bytes)) {}
  virtual ~ByteStream() = default;

  const std::vector<uint8_t>& Bytes() const { return mBytes; }

  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                     Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                     Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

  // Owned by the caller (stack or member): reference counting is a no-op.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
  std::vector<uint8_t> mBytes;
  size_t mPos = 0;
};
