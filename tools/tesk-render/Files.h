#pragma once
// File-system helpers of tesk-render.

#include "AudioFile.h"

#include <cstdint>
#include <string>
#include <vector>

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// The same file, by name or by device and inode.
bool SameFile(const std::string& a, const std::string& b);
std::string BaseName(const std::string& path);
std::string DirName(const std::string& path);

// Reads a whole regular file; false with the system's reason in `why`.
bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& why);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Writes an audio file beside its destination first and renames it into place, so a
// failed write never leaves a half-written file or destroys an older one.
bool WriteAudioInPlace(const std::string& path, const AudioData& audio, const std::string& subformat,
                       std::string& error);
