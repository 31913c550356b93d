#include "AudioFile.h"

#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

// Opens path for reading and fills info; null, with error set, when libsndfile cannot.
SNDFILE* OpenForReading(const std::string& path, SF_INFO& info, std::string& error)
{
  std::memset(&info, 0, sizeof info);
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f)
    error = "cannot read audio file " + path + ": " + sf_strerror(nullptr);
  return f;
}

} // namespace

bool ReadAudioFile(const std::string& path, AudioData& audio, std::string& error)
{
  SF_INFO info;
  SNDFILE* f = OpenForReading(path, info, error);
  if (!f)
    return false;
  if (info.channels < 1 || info.frames < 0 || info.frames > (1L << 31)) {
    sf_close(f);
    error = "cannot read audio file " + path + ": unsupported size";
    return false;
  }
  std::vector<double> interleaved(static_cast<size_t>(info.frames) * info.channels);
  sf_count_t got = sf_readf_double(f, interleaved.data(), info.frames);
  sf_close(f);
  if (got != info.frames) {
    error = "cannot read audio file " + path + ": truncated";
    return false;
  }
  audio.sampleRate = info.samplerate;
  audio.format = info.format;
  audio.channels.assign(info.channels, std::vector<double>(static_cast<size_t>(info.frames)));
  for (sf_count_t i = 0; i < info.frames; ++i)
    for (int c = 0; c < info.channels; ++c)
      audio.channels[c][i] = interleaved[static_cast<size_t>(i) * info.channels + c];
  return true;
}

bool ProbeAudioFile(const std::string& path, AudioFileInfo& out, std::string& error)
{
  SF_INFO info;
  SNDFILE* f = OpenForReading(path, info, error);
  if (!f)
    return false;
  sf_close(f);
  out.channels = info.channels;
  out.sampleRate = info.samplerate;
  out.frames = static_cast<long>(info.frames);
  out.format = info.format;
  return true;
}

namespace {

int MajorFromExtension(const std::string& path)
{
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return 0;
  std::string ext = path.substr(dot + 1);
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO fi;
    fi.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &fi, sizeof fi) == 0 && fi.extension &&
        strcasecmp(fi.extension, ext.c_str()) == 0)
      return fi.format;
  }
  if (strcasecmp(ext.c_str(), "aiff") == 0 || strcasecmp(ext.c_str(), "aif") == 0)
    return SF_FORMAT_AIFF;
  return 0;
}

} // namespace

bool ResolveOutputFormat(const std::string& path, int inputFormat, const std::string& subformat, int channels,
                         int sampleRate, int& format, std::string& error)
{
  const int fromExtension = MajorFromExtension(path);
  const int major = fromExtension ? fromExtension : inputFormat ? (inputFormat & SF_FORMAT_TYPEMASK) : SF_FORMAT_WAV;
  int sub = inputFormat ? (inputFormat & SF_FORMAT_SUBMASK) : SF_FORMAT_FLOAT;
  if (subformat == "f64")
    sub = SF_FORMAT_DOUBLE;
  else if (subformat == "f32")
    sub = SF_FORMAT_FLOAT;
  else if (subformat == "s24")
    sub = SF_FORMAT_PCM_24;
  else if (subformat == "s16")
    sub = SF_FORMAT_PCM_16;
  else if (!subformat.empty()) {
    error = "unknown output format: " + subformat + " (use f64, f32, s24 or s16)";
    return false;
  }
  SF_INFO info;
  std::memset(&info, 0, sizeof info);
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = major | sub;
  if (sf_format_check(&info)) {
    format = info.format;
    return true;
  }
  if (subformat.empty())
    for (int fallback : {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16}) {
      info.format = major | fallback;
      if (sf_format_check(&info)) {
        format = info.format;
        return true;
      }
    }
  error = "cannot write " + path + ": that file type cannot hold " +
          (subformat.empty() ? std::string("this audio") : subformat + " samples") +
          (subformat.empty() ? "" : " (choose another --format or file name)");
  return false;
}

bool WriteAudioFile(const std::string& path, const AudioData& audio, const std::string& subformat,
                    std::string& error)
{
  SF_INFO info;
  std::memset(&info, 0, sizeof info);
  info.samplerate = audio.sampleRate;
  info.channels = audio.Channels();
  if (!ResolveOutputFormat(path, audio.format, subformat, info.channels, info.samplerate, info.format, error))
    return false;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    error = "cannot write audio file " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  long frames = audio.Frames();
  int ch = audio.Channels();
  std::vector<double> interleaved(static_cast<size_t>(frames) * ch);
  for (long i = 0; i < frames; ++i)
    for (int c = 0; c < ch; ++c)
      interleaved[static_cast<size_t>(i) * ch + c] = audio.channels[c][i];
  sf_count_t put = sf_writef_double(f, interleaved.data(), frames);
  int closed = sf_close(f);
  if (put != frames || closed != 0) {
    error = "cannot write audio file " + path + ": write failed";
    return false;
  }
  return true;
}

void ChannelLevels(const std::vector<double>& samples, double& peak, double& rms)
{
  peak = 0.0;
  double sum = 0.0;
  for (double s : samples) {
    peak = std::fmax(peak, std::fabs(s));
    sum += s * s;
  }
  rms = samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}
