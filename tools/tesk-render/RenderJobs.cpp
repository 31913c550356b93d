#include "RenderJobs.h"

#include "Files.h"
#include "PresetActions.h"
#include "ProcessAudio.h"
#include "Progress.h"

#include <cstdio>

bool PlanRenderJobs(const Options& o, std::vector<RenderJob>& jobs, std::string& error)
{
  std::vector<std::string> inputs = o.files;
  const bool batch = !o.outDir.empty();
  if (!batch)
    inputs.resize(1); // INPUT OUTPUT, or --bench INPUT

  if (batch && !IsDirectory(o.outDir)) {
    error = "no such folder: " + o.outDir;
    return false;
  }
  for (const std::string& in : inputs) {
    RenderJob job;
    job.input = in;
    if (!FileExists(in)) {
      error = "no such file: " + in;
      return false;
    }
    if (!ProbeAudioFile(in, job.info, error))
      return false;
    if (job.info.channels != 1 && job.info.channels != 2) {
      error = "unsupported channel count: " + std::to_string(job.info.channels) + " in " + in +
              " (only mono and stereo)";
      return false;
    }
    if (o.bench) {
      jobs.push_back(job);
      continue;
    }
    job.output = batch ? o.outDir + "/" + BaseName(in) : o.files[1];
    for (const std::string& other : inputs)
      if (SameFile(job.output, other)) {
        error = "refusing to overwrite the input " + other + (batch ? " (choose another --out-dir)" : "");
        return false;
      }
    for (const RenderJob& earlier : jobs)
      if (earlier.output == job.output) {
        error = "two inputs would both be written to " + job.output;
        return false;
      }
    if (batch && FileExists(job.output) && !o.force) {
      error = job.output + " exists (use --force to replace it)";
      return false;
    }
    int format = 0;
    if (!ResolveOutputFormat(job.output, job.info.format, o.format, 2, job.info.sampleRate, format, error))
      return false;
    jobs.push_back(job);
  }
  return true;
}

bool RenderJobs(VstHost& host, const Options& o, const Settings& s, const std::vector<RenderJob>& jobs,
                std::string& error)
{
  double totalSeconds = 0.0;
  for (const RenderJob& job : jobs)
    totalSeconds += static_cast<double>(job.info.frames) / job.info.sampleRate;
  Progress progress(stderr, !o.quiet && !o.bench && Progress::StderrIsTerminal(), totalSeconds);
  double doneSeconds = 0.0;
  for (const RenderJob& job : jobs) {
    AudioData input;
    if (!ReadAudioFile(job.input, input, error))
      return false;
    // A mono input feeds both channels of the stereo buses.
    if (input.Channels() == 1)
      input.channels.push_back(input.channels[0]);
    if (!PrepareInstance(host, o, s, input.sampleRate, 2, o.precision, error))
      return false;
    double ns = 0.0;
    if (o.bench) {
      for (long k = 0; k < o.bench; ++k)
        if (!ProcessAudio(host, input.channels, nullptr, o.block, o.precision, ns, nullptr, error))
          return false;
      const double frames = static_cast<double>(input.Frames()) * static_cast<double>(o.bench);
      const double perFrame = frames > 0 ? ns / frames : 0.0;
      const double realTime = ns > 0 ? (frames / input.sampleRate) / (ns * 1e-9) : 0.0;
      std::printf("%.1f ns per frame, %.1fx real time\n", perFrame, realTime);
      continue;
    }
    AudioData output;
    output.sampleRate = input.sampleRate;
    output.format = input.format;
    const double rate = input.sampleRate;
    auto afterBlock = [&](long frames) { progress.Update(doneSeconds + static_cast<double>(frames) / rate); };
    if (!ProcessAudio(host, input.channels, &output.channels, o.block, o.precision, ns, afterBlock, error)) {
      progress.Finish();
      return false;
    }
    doneSeconds += static_cast<double>(input.Frames()) / rate;
    if (!WriteAudioInPlace(job.output, output, o.format, error)) {
      progress.Finish();
      return false;
    }
  }
  progress.Finish();
  host.Stop();
  return SaveStateFiles(host, o, error);
}
