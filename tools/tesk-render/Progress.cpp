#include "Progress.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

Progress::Progress(std::FILE* out, bool enabled, double totalAudioSeconds, std::function<double()> now)
    : mOut(out), mEnabled(enabled && out), mTotal(totalAudioSeconds), mNow(std::move(now)), mStart(mNow())
{
}

double Progress::SteadySeconds()
{
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool Progress::StderrIsTerminal()
{
  return isatty(STDERR_FILENO) == 1;
}

std::string Progress::Line(double fraction, double speed, double secondsLeft)
{
  constexpr int kBarWidth = 30;
  fraction = std::clamp(fraction, 0.0, 1.0);
  const int filled = static_cast<int>(fraction * kBarWidth);
  std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(kBarWidth - filled), '.') + "]";
  char text[96];
  const long left = std::isfinite(secondsLeft) ? std::lround(std::max(0.0, secondsLeft)) : 0;
  std::snprintf(text, sizeof text, " %3d%%  %.1fx real time  %ld:%02ld left", static_cast<int>(fraction * 100.0),
                speed, left / 60, left % 60);
  return bar + text;
}

void Progress::Update(double doneAudioSeconds)
{
  if (!mEnabled || mTotal <= 0.0)
    return;
  const double now = mNow();
  const double elapsed = now - mStart;
  if (elapsed < kDelaySeconds || (mLastDraw >= 0.0 && now - mLastDraw < kRedrawSeconds))
    return;
  mLastDraw = now;
  const double speed = elapsed > 0.0 ? doneAudioSeconds / elapsed : 0.0;
  const double left = speed > 0.0 ? (mTotal - doneAudioSeconds) / speed : 0.0;
  const std::string line = Line(doneAudioSeconds / mTotal, speed, left);
  // Pad over a longer previous line.
  std::fprintf(mOut, "\r%s%s", line.c_str(), std::string(mWidth > line.size() ? mWidth - line.size() : 0, ' ').c_str());
  std::fflush(mOut);
  mWidth = std::max(mWidth, line.size());
  mDrawn = true;
}

void Progress::Finish()
{
  if (!mDrawn)
    return;
  std::fprintf(mOut, "\r%s\r", std::string(mWidth, ' ').c_str());
  std::fflush(mOut);
}
