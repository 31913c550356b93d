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

// Writes `audio` to `path`. `subformat` is "f64", "f32", "s24", "s16" or "" (the format
// the data was read with). The container is taken from the file name's extension when
// libsndfile knows it, else from the data's format word (WAV when that is 0). Integer
// formats clip instead of wrapping.
bool WriteAudioFile(const std::string& path, const AudioData& audio, const std::string& subformat,
                    std::string& error);

// Peak and RMS of one channel, linear full scale.
void ChannelLevels(const std::vector<double>& samples, double& peak, double& rms);
