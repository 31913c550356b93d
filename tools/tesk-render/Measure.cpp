#include "Measure.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A real-to-complex transform of n samples (FFTW). Returns n/2 + 1 bins.
std::vector<std::complex<double>> Spectrum(const std::vector<double>& x)
{
  const int n = static_cast<int>(x.size());
  double* in = fftw_alloc_real(static_cast<size_t>(n));
  fftw_complex* out = fftw_alloc_complex(static_cast<size_t>(n / 2 + 1));
  std::vector<std::complex<double>> bins;
  if (in && out) {
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    std::copy(x.begin(), x.end(), in);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    bins.resize(static_cast<size_t>(n / 2 + 1));
    for (size_t k = 0; k < bins.size(); ++k)
      bins[k] = {out[k][0], out[k][1]};
  }
  fftw_free(in);
  fftw_free(out);
  fftw_cleanup(); // the planner's memory: one transform at a time, nothing worth keeping
  return bins;
}

double Db(double ratio)
{
  return 20.0 * std::log10(std::max(ratio, 1e-300));
}

// Renders `in` through a fresh instance with the user's settings.
bool RenderFresh(VstHost& host, const FreshInstance& prepare, int block, const Planar& in, Planar& out,
                 std::string& error)
{
  if (!prepare(host, Measurement::kRate, error))
    return false;
  double ns = 0.0;
  const bool ok = ProcessAudio(host, in, &out, block, 64, ns, nullptr, error);
  host.Stop();
  return ok;
}

// Magnitude of one channel's transfer function in dB at each of `hz`, interpolated
// between FFT bins.
std::vector<double> MagnitudeAt(const std::vector<double>& impulseResponse, double amplitude,
                                const std::vector<double>& hz)
{
  const auto bins = Spectrum(impulseResponse);
  const double binHz = Measurement::kRate / static_cast<double>(impulseResponse.size());
  std::vector<double> db;
  for (double f : hz) {
    const double pos = f / binHz;
    const size_t k = std::min(static_cast<size_t>(pos), bins.size() - 2);
    const double frac = pos - static_cast<double>(k);
    const double a = Db(std::abs(bins[k]) / amplitude);
    const double b = Db(std::abs(bins[k + 1]) / amplitude);
    db.push_back(a + (b - a) * frac);
  }
  return db;
}

// Spectrum, harmonics and THD+N of one output carrying the steady tone. `x` holds a whole
// number of the tone's periods (1 s at 48 kHz: 1 Hz bins, the tone and its harmonics on
// bins), so with a periodic Blackman-Harris window each sine occupies its bin +-3.
void AnalyseTone(const std::vector<double>& x, ToneSpectrum& t)
{
  const size_t n = x.size();
  const double a[4] = {0.35875, 0.48829, 0.14128, 0.01168};
  std::vector<double> w(n);
  double sumW2 = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const double p = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(n);
    const double wi = a[0] - a[1] * std::cos(p) + a[2] * std::cos(2 * p) - a[3] * std::cos(3 * p);
    w[i] = x[i] * wi;
    sumW2 += wi * wi;
  }
  const auto bins = Spectrum(w);
  std::vector<double> power(bins.size());
  for (size_t k = 0; k < bins.size(); ++k)
    power[k] = std::norm(bins[k]);

  // Display: a coherent sine's peak bin reads its amplitude.
  const double peakScale = 2.0 / (static_cast<double>(n) * a[0]);
  t.dbfs.resize(bins.size());
  for (size_t k = 0; k < bins.size(); ++k)
    t.dbfs[k] = Db(std::abs(bins[k]) * peakScale);

  // A sine's amplitude from the power of its bins.
  auto amplitudeOf = [&](double binPower) { return std::sqrt(4.0 * binPower / (static_cast<double>(n) * sumW2)); };
  const double binHz = Measurement::kRate / static_cast<double>(n);
  const int spread = 3;
  auto bandPower = [&](size_t centre) {
    double s = 0.0;
    for (size_t k = centre >= spread ? centre - spread : 0; k <= centre + spread && k < power.size(); ++k)
      s += power[k];
    return s;
  };

  // Noise floor: the median bin between the harmonics, 20 Hz..20 kHz.
  const size_t lo = static_cast<size_t>(std::ceil(20.0 / binHz));
  const size_t hi = std::min(power.size() - 1, static_cast<size_t>(20000.0 / binHz));
  const size_t toneBin = static_cast<size_t>(std::lround(Measurement::kToneHz / binHz));
  std::vector<double> between;
  for (size_t k = lo; k <= hi; ++k) {
    const size_t offset = k % toneBin;
    if (offset > spread + 2 && toneBin - offset > spread + 2)
      between.push_back(power[k]);
  }
  double medianPower = 0.0;
  if (!between.empty()) {
    std::nth_element(between.begin(), between.begin() + static_cast<long>(between.size() / 2), between.end());
    medianPower = between[between.size() / 2];
  }
  const double floorBand = medianPower * (2 * spread + 1);
  t.floorDbfs = Db(amplitudeOf(floorBand));

  t.harmonics.clear();
  for (int h = 1; h <= Measurement::kHarmonics; ++h) {
    const size_t centre = toneBin * static_cast<size_t>(h);
    if (centre + spread >= power.size())
      break;
    const double p = bandPower(centre);
    const double dbfs = Db(amplitudeOf(p));
    const bool above = dbfs > Measurement::kFloorDbfs &&
                       dbfs > t.floorDbfs + Measurement::kHarmonicMarginDb;
    t.harmonics.push_back(Harmonic{h, static_cast<double>(centre) * binHz, dbfs, above});
  }

  double fundamental = bandPower(toneBin);
  double rest = 0.0;
  for (size_t k = lo; k <= hi; ++k)
    if (k + spread < toneBin || k > toneBin + spread)
      rest += power[k];
  const double ratio = fundamental > 0.0 ? std::sqrt(rest / fundamental) : 0.0;
  t.thdnDb = Db(ratio);
  t.thdnPercent = 100.0 * ratio;
}

} // namespace

bool MeasurePlugin(VstHost& host, const FreshInstance& prepare, int block, bool midSide, const std::string names[2],
                   Measurement& m, std::string& error)
{
  const double rs2 = 1.0 / std::sqrt(2.0);
  // Probe input and output read-out per processing channel: left and right alone, or the
  // sum (mid) and the difference (side) of both.
  const double probe[2][2] = {{midSide ? rs2 : 1.0, midSide ? rs2 : 0.0}, {midSide ? rs2 : 0.0, midSide ? -rs2 : 1.0}};

  m.hz.clear();
  const int points = 600;
  for (int i = 0; i < points; ++i)
    m.hz.push_back(20.0 * std::pow(1000.0, static_cast<double>(i) / (points - 1)));

  const double amplitude = std::pow(10.0, Measurement::kImpulseDbfs / 20.0);
  for (int c = 0; c < 2; ++c) {
    Planar in(2, std::vector<double>(Measurement::kImpulseLength, 0.0));
    in[0][0] = amplitude * probe[c][0];
    in[1][0] = amplitude * probe[c][1];
    Planar out;
    if (!RenderFresh(host, prepare, block, in, out, error))
      return false;
    if (c == 0)
      m.latency = host.LatencySamples();
    std::vector<double> ir(out[0].size());
    for (size_t i = 0; i < ir.size(); ++i)
      ir[i] = probe[c][0] * out[0][i] + probe[c][1] * out[1][i];
    m.db[c] = MagnitudeAt(ir, amplitude, m.hz);
    m.channelName[c] = names[c];
  }
  char method[160];
  std::snprintf(method, sizeof method, "impulse at %.0f dBFS, %d samples at %.0f kHz, latency %d samples",
                Measurement::kImpulseDbfs, Measurement::kImpulseLength, Measurement::kRate / 1000.0, m.latency);
  m.method = method;

  // The tone on both inputs: 2 s with a 10 ms fade-in; the last second is analysed.
  const int second = static_cast<int>(Measurement::kRate);
  const int length = 2 * second;
  const double toneAmplitude = std::pow(10.0, Measurement::kToneDbfs / 20.0);
  Planar in(2, std::vector<double>(static_cast<size_t>(length)));
  for (int i = 0; i < length; ++i) {
    const double phase = 2.0 * kPi * Measurement::kToneHz * i / Measurement::kRate;
    const double fade = i < second / 100 ? 0.5 - 0.5 * std::cos(kPi * i / (second / 100)) : 1.0;
    in[0][static_cast<size_t>(i)] = in[1][static_cast<size_t>(i)] = toneAmplitude * fade * std::sin(phase);
  }
  Planar out;
  if (!RenderFresh(host, prepare, block, in, out, error))
    return false;
  const char* outputNames[2] = {"Left", "Right"};
  for (int c = 0; c < 2; ++c) {
    std::vector<double> tail(out[c].end() - second, out[c].end());
    m.tone[c].name = outputNames[c];
    AnalyseTone(tail, m.tone[c]);
  }
  m.spectrumHz.resize(m.tone[0].dbfs.size());
  for (size_t k = 0; k < m.spectrumHz.size(); ++k)
    m.spectrumHz[k] = static_cast<double>(k) * Measurement::kRate / second;
  return true;
}

bool WriteMeasurementData(const std::string& path, const Measurement& m, std::string& error)
{
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "w"), std::fclose);
  if (!f) {
    error = "cannot write " + path;
    return false;
  }
  std::fprintf(f.get(), "# response: %s\n# hz\t%s dB\t%s dB\n", m.method.c_str(), m.channelName[0].c_str(),
               m.channelName[1].c_str());
  for (size_t i = 0; i < m.hz.size(); ++i)
    std::fprintf(f.get(), "%.3f\t%.4f\t%.4f\n", m.hz[i], m.db[0][i], m.db[1][i]);
  for (const ToneSpectrum& t : m.tone) {
    std::fprintf(f.get(), "\n# tone: %.0f Hz at %.0f dBFS, %s output\n", Measurement::kToneHz, Measurement::kToneDbfs,
                 t.name.c_str());
    std::fprintf(f.get(), "# thdn_db\t%.2f\n# thdn_percent\t%.6g\n# floor_dbfs\t%.2f\n", t.thdnDb, t.thdnPercent,
                 t.floorDbfs);
    std::fprintf(f.get(), "# harmonic\thz\tdbfs\tabove_floor\n");
    for (const Harmonic& h : t.harmonics)
      std::fprintf(f.get(), "%d\t%.0f\t%.2f\t%s\n", h.order, h.hz, h.dbfs, h.aboveFloor ? "yes" : "no");
  }
  if (std::ferror(f.get())) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}
