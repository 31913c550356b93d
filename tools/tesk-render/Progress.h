#pragma once
// A one-line progress bar for long renders: percent done, speed as a multiple of real
// time and the time left, redrawn in place with '\r'. It shows only when it is enabled
// (standard error is a terminal and --quiet is not given) and the work has run for at
// least kDelaySeconds, so short renders and redirected output stay silent.

#include <cstdio>
#include <functional>
#include <string>

class Progress
{
public:
  static constexpr double kDelaySeconds = 1.0;   // silent before this much wall time
  static constexpr double kRedrawSeconds = 0.1;  // at most ten redraws a second

  // `totalAudioSeconds` is the length of all the audio to render. `now` gives wall-clock
  // seconds (a steady clock by default; tests pass their own).
  Progress(std::FILE* out, bool enabled, double totalAudioSeconds,
           std::function<double()> now = SteadySeconds);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // `doneAudioSeconds` of audio are rendered. Redraws when due.
  void Update(double doneAudioSeconds);
  // Removes the bar from the terminal when it was drawn.
  void Finish();
  bool Drawn() const { return mDrawn; }

  // The bar's text for a state of the work, without the leading '\r'.
  static std::string Line(double fraction, double speed, double secondsLeft);
  // Whether standard error is a terminal.
  static bool StderrIsTerminal();
  static double SteadySeconds();

private:
  std::FILE* mOut;
  bool mEnabled;
  double mTotal;
  std::function<double()> mNow;
  double mStart;
  double mLastDraw = -1.0;
  bool mDrawn = false;
  size_t mWidth = 0; // characters of the last line drawn
};
