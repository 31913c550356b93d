#pragma once
// Audio files through libsndfile: whole files in memory as planar doubles.

#include <string>
#include <vector>

struct AudioData
{
  int sampleRate = 48000;
  int format = 0;                           // libsndfile format word of the file read
  std::vector<std::vector<double>> channels; // planar samples, full scale ±1

  int Channels() const { return static_cast<int>(channels.size()); }
  long Frames() const { return channels.empty() ? 0 : static_cast<long>(channels[0].size()); }
};

// Reads a whole file; false with a one-line `error` when it is missing or unreadable.
bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error);

// Reads only a file's header: channel count, sample rate, frames and format word.
struct AudioFileInfo
{
  int channels = 0;
  int sampleRate = 0;
  long frames = 0;
  int format = 0;
};
bool ProbeAudioFile(const std::string& path, AudioFileInfo& info, std::string& error);

// The libsndfile format word for writing `channels` at `sampleRate` to `path`.
// `subformat` is "f64", "f32", "s24", "s16" or "" (keep `inputFormat`'s sample format).
// The container is taken from the file name's extension when libsndfile knows it, else
// from `inputFormat` (WAV when that is 0). With no `subformat`, a sample format the
// container cannot hold gives way to 32-bit float, then 24-bit, then 16-bit integer; an
// explicit `subformat` the container cannot hold is an error, as is any other mismatch.
bool ResolveOutputFormat(const std::string& path, int inputFormat, const std::string& subformat, int channels,
                         int sampleRate, int& format, std::string& error);

// Writes `audio` to `path` in the format ResolveOutputFormat gives for it. Integer
// formats clip instead of wrapping.
bool WriteAudioFile(const std::string& path, const AudioData& audio, const std::string& subformat,
                    std::string& error);

// Peak and RMS of one channel, linear full scale.
void ChannelLevels(const std::vector<double>& samples, double& peak, double& rms);
