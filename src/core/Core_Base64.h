#pragma once

// Standard base64 (alphabet A-Z a-z 0-9 + /, "=" completing the last group of four).

// Characters needed to encode size bytes, without the terminator (0 for size <= 0).
int Core_Base64EncodedLength(int size) noexcept;

// Encodes size bytes of data into out and terminates it. Returns the number of
// characters written (without the terminator), or -1 when out (outSize bytes,
// terminator included) is too small or an argument is invalid; out then holds ""
// when it has room for it.
int Core_Base64Encode(const unsigned char* data, int size, char* out, int outSize) noexcept;

// Decodes text into out, stopping at the first character outside the alphabet (so
// at a trailing "=" or at the terminator) or when outSize bytes are written. Bits
// of an incomplete final byte are dropped. Returns the number of bytes written;
// bytes of out beyond that are not touched. A null text or out writes nothing.
int Core_Base64Decode(const char* text, unsigned char* out, int outSize) noexcept;
