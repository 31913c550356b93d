#include "Plot.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kWidth = 1200.0;
constexpr double kHeight = 800.0;

struct Rgb
{
  double r, g, b;
};
const Rgb kInk{0.13, 0.14, 0.16};
const Rgb kGrid{0.86, 0.87, 0.89};
const Rgb kMinorGrid{0.93, 0.94, 0.95};
const Rgb kChannel[2] = {{0.12, 0.40, 0.75}, {0.89, 0.42, 0.07}};

void SetColor(cairo_t* cr, const Rgb& c, double alpha = 1.0)
{
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

// Text anchored at x by `align` (0 left, 0.5 centre, 1 right), baseline at y.
void Text(cairo_t* cr, const std::string& s, double x, double y, double size, double align = 0.0, bool bold = false,
          const Rgb& color = kInk)
{
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  SetColor(cr, color);
  cairo_move_to(cr, x - align * e.x_advance, y);
  cairo_show_text(cr, s.c_str());
}

double TextWidth(cairo_t* cr, const std::string& s, double size)
{
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  return e.x_advance;
}

std::string HzLabel(double hz)
{
  char buf[16];
  if (hz >= 1000.0)
    std::snprintf(buf, sizeof buf, "%gk", hz / 1000.0);
  else
    std::snprintf(buf, sizeof buf, "%g", hz);
  return buf;
}

// A plot area with its axis mappings.
struct Panel
{
  double x, y, w, h;           // pixels
  double f0, f1;               // frequency range
  bool logX;
  double v0, v1;               // value range (bottom, top)

  double X(double f) const
  {
    const double t = logX ? std::log(f / f0) / std::log(f1 / f0) : (f - f0) / (f1 - f0);
    return x + w * t;
  }
  double Y(double v) const { return y + h * (v1 - v) / (v1 - v0); }
};

// Grid, ticks and labels of a panel; `yStep` is the value grid spacing.
void DrawAxes(cairo_t* cr, const Panel& p, double yStep, const std::string& yUnit, const std::string& xTitle)
{
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, p.x, p.y, p.w, p.h);
  cairo_fill(cr);
  cairo_set_line_width(cr, 1.0);

  std::vector<double> major, minor;
  if (p.logX) {
    for (double decade = 10.0; decade <= p.f1; decade *= 10.0)
      for (int m = 1; m < 10; ++m) {
        const double f = decade * m;
        if (f < p.f0 || f > p.f1)
          continue;
        (m == 1 || m == 2 || m == 5 ? major : minor).push_back(f);
      }
  } else {
    for (double f = p.f0; f <= p.f1 + 1e-9; f += 1000.0)
      (std::fmod(f, 4000.0) == 0.0 ? major : minor).push_back(f);
  }
  SetColor(cr, kMinorGrid);
  for (double f : minor) {
    cairo_move_to(cr, std::round(p.X(f)) + 0.5, p.y);
    cairo_line_to(cr, std::round(p.X(f)) + 0.5, p.y + p.h);
  }
  cairo_stroke(cr);
  SetColor(cr, kGrid);
  for (double f : major) {
    cairo_move_to(cr, std::round(p.X(f)) + 0.5, p.y);
    cairo_line_to(cr, std::round(p.X(f)) + 0.5, p.y + p.h);
  }
  const double firstV = std::ceil(p.v0 / yStep) * yStep;
  for (double v = firstV; v <= p.v1 + 1e-9; v += yStep) {
    cairo_move_to(cr, p.x, std::round(p.Y(v)) + 0.5);
    cairo_line_to(cr, p.x + p.w, std::round(p.Y(v)) + 0.5);
  }
  cairo_stroke(cr);

  // Zero line and frame.
  if (p.v0 < 0.0 && p.v1 > 0.0) {
    SetColor(cr, kInk, 0.35);
    cairo_move_to(cr, p.x, std::round(p.Y(0.0)) + 0.5);
    cairo_line_to(cr, p.x + p.w, std::round(p.Y(0.0)) + 0.5);
    cairo_stroke(cr);
  }
  SetColor(cr, kInk);
  cairo_rectangle(cr, std::round(p.x) + 0.5, std::round(p.y) + 0.5, std::round(p.w), std::round(p.h));
  cairo_stroke(cr);

  for (double f : major) {
    cairo_move_to(cr, std::round(p.X(f)) + 0.5, p.y + p.h);
    cairo_line_to(cr, std::round(p.X(f)) + 0.5, p.y + p.h + 5);
    cairo_stroke(cr);
    Text(cr, HzLabel(f), p.X(f), p.y + p.h + 19, 12, 0.5);
  }
  for (double v = firstV; v <= p.v1 + 1e-9; v += yStep) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%+g", v == 0.0 ? 0.0 : v);
    Text(cr, v == 0.0 ? "0" : buf, p.x - 8, p.Y(v) + 4, 12, 1.0);
  }
  Text(cr, xTitle, p.x + p.w / 2, p.y + p.h + 38, 12, 0.5);
  cairo_save(cr);
  cairo_translate(cr, p.x - 52, p.y + p.h / 2);
  cairo_rotate(cr, -M_PI / 2);
  Text(cr, yUnit, 0, 0, 12, 0.5);
  cairo_restore(cr);
}

void Curve(cairo_t* cr, const Panel& p, const std::vector<double>& hz, const std::vector<double>& v, const Rgb& c,
           double width, double alpha = 1.0, bool dashed = false)
{
  cairo_save(cr);
  cairo_rectangle(cr, p.x, p.y, p.w, p.h);
  cairo_clip(cr);
  bool started = false;
  for (size_t i = 0; i < hz.size() && i < v.size(); ++i) {
    if (hz[i] < p.f0 || hz[i] > p.f1)
      continue;
    const double y = p.Y(std::max(v[i], p.v0 - 10.0));
    if (!started)
      cairo_move_to(cr, p.X(hz[i]), y);
    else
      cairo_line_to(cr, p.X(hz[i]), y);
    started = true;
  }
  SetColor(cr, c, alpha);
  cairo_set_line_width(cr, width);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  const double dash[2] = {9.0, 6.0};
  cairo_set_dash(cr, dash, dashed ? 2 : 0, 0.0);
  cairo_stroke(cr);
  cairo_restore(cr);
}

// A legend box at the panel's top right: one swatch and text per entry, then notes. The
// second entry's swatch is dashed when `dashSecond` is set, as its curve is.
void Legend(cairo_t* cr, const Panel& p, const std::vector<std::pair<std::string, const Rgb*>>& entries,
            const std::vector<std::string>& notes, bool dashSecond)
{
  const double size = 12.0, line = 18.0, pad = 8.0;
  const double dash[2] = {9.0, 6.0};
  double w = 0.0;
  for (const auto& e : entries)
    w = std::max(w, 30.0 + TextWidth(cr, e.first, size));
  for (const auto& n : notes)
    w = std::max(w, TextWidth(cr, n, size));
  const double h = line * static_cast<double>(entries.size() + notes.size()) + pad;
  const double x = p.x + p.w - w - 2 * pad - 10, y = p.y + 10;
  cairo_set_source_rgba(cr, 1, 1, 1, 0.92);
  cairo_rectangle(cr, x, y, w + 2 * pad, h);
  cairo_fill_preserve(cr);
  SetColor(cr, kGrid);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  double ty = y + pad + 10;
  for (const auto& e : entries) {
    SetColor(cr, *e.second);
    cairo_set_dash(cr, dash, dashSecond && e.second == &kChannel[1] ? 2 : 0, 0.0);
    cairo_set_line_width(cr, 2.5);
    cairo_move_to(cr, x + pad, ty - 4);
    cairo_line_to(cr, x + pad + 22, ty - 4);
    cairo_stroke(cr);
    cairo_set_dash(cr, dash, 0, 0.0);
    Text(cr, e.first, x + pad + 30, ty, size);
    ty += line;
  }
  for (const auto& n : notes) {
    Text(cr, n, x + pad, ty, size, 0.0, false, kInk);
    ty += line;
  }
}

} // namespace

bool DrawMeasurementPng(const Measurement& m, const std::string& title, const std::string& subtitle, int scale,
                        const std::string& path, std::string& error)
{
  scale = std::clamp(scale, 1, 4);
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(kWidth) * scale, static_cast<int>(kHeight) * scale);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  cairo_set_source_rgb(cr, 0.97, 0.97, 0.98);
  cairo_paint(cr);

  Text(cr, title, 40, 32, 18, 0.0, true);
  // The settings on one line under the title, cut short with an ellipsis when too long.
  std::string line = subtitle;
  const double room = kWidth - 80.0;
  if (TextWidth(cr, line, 12) > room) {
    while (!line.empty() && TextWidth(cr, line + "...", 12) > room)
      line.pop_back();
    line += "...";
  }
  Text(cr, line, 40, 52, 12);

  // Response panel: the range covers both curves, in whole 3 dB steps, at least +-6 dB.
  double lo = -6.0, hi = 6.0;
  for (int c = 0; c < 2; ++c)
    for (double v : m.db[c]) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  lo = std::floor((lo - 1.0) / 3.0) * 3.0;
  hi = std::ceil((hi + 1.0) / 3.0) * 3.0;
  const double yStep = hi - lo > 36.0 ? 6.0 : 3.0;
  Panel response{90, 88, 1070, 282, 20.0, 20000.0, true, lo, hi};
  DrawAxes(cr, response, yStep, "gain (dB)", "frequency (Hz)");
  // The second channel dashed on top: where both agree, both stay visible.
  Curve(cr, response, m.hz, m.db[0], kChannel[0], 2.4);
  Curve(cr, response, m.hz, m.db[1], kChannel[1], 2.4, 1.0, true);
  Text(cr, "Magnitude response", response.x, response.y - 8, 13, 0.0, true);
  Legend(cr, response, {{m.channelName[0], &kChannel[0]}, {m.channelName[1], &kChannel[1]}},
         {"method: " + m.method}, true);

  // Tone spectrum panel.
  double floor = 0.0;
  for (const ToneSpectrum& t : m.tone)
    floor = std::min(floor, t.floorDbfs);
  double bottom = std::floor(std::min(floor - 20.0, -120.0) / 20.0) * 20.0;
  bottom = std::max(bottom, Measurement::kFloorDbfs - 20.0);
  Panel spectrum{90, 472, 1070, 258, 0.0, Measurement::kRate / 2, false, bottom, 0.0};
  DrawAxes(cr, spectrum, 20.0, "level (dBFS)", "frequency (Hz)");
  for (int c = 1; c >= 0; --c)
    Curve(cr, spectrum, m.spectrumHz, m.tone[c].dbfs, kChannel[c], 1.2, c == 0 ? 1.0 : 0.7);
  // Harmonics that stand above the floor, marked on the left output.
  for (const Harmonic& h : m.tone[0].harmonics) {
    if (!h.aboveFloor || h.order == 1)
      continue;
    const double x = spectrum.X(h.hz), y = spectrum.Y(h.dbfs);
    SetColor(cr, kInk);
    cairo_arc(cr, x, y, 3.0, 0, 2 * M_PI);
    cairo_fill(cr);
    Text(cr, "H" + std::to_string(h.order), x, y - 8, 11, 0.5);
  }
  char heading[96];
  std::snprintf(heading, sizeof heading, "Spectrum of a %.0f Hz sine at %.0f dBFS", Measurement::kToneHz,
                Measurement::kToneDbfs);
  Text(cr, heading, spectrum.x, spectrum.y - 8, 13, 0.0, true);
  std::vector<std::string> notes;
  for (const ToneSpectrum& t : m.tone) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "THD+N %s: %.1f dB (%.3g %%)", t.name.c_str(), t.thdnDb, t.thdnPercent);
    notes.push_back(buf);
  }
  notes.push_back("Blackman-Harris, 1 s, 20 Hz-20 kHz");
  Legend(cr, spectrum, {{"left output", &kChannel[0]}, {"right output (behind)", &kChannel[1]}}, notes, false);

  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = "cannot write plot " + path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

void ReleaseDrawingCaches()
{
  cairo_debug_reset_static_data();
  FcFini();
}
