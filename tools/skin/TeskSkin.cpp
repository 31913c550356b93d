// Draws Tesk's editor images: the 1156 x 456 background and one filmstrip per
// knob or switch, frames stacked vertically. Every control image carries the
// background under it, so frames are opaque and seamless however they are blitted.
// Everything is drawn as vectors, once at the panel's size and once at twice that
// size for the editor's 150 and 200 % scales, so that lines, LEDs and text are sharp
// at 200 % rather than enlarged pixels.
//
// Usage: tesk-skin OUTPUT_DIR
// Writes OUTPUT_DIR/NAME.png and OUTPUT_DIR/2x/NAME@2x.png (the editor's name for an
// image's large version). The output is deterministic for a given cairo and font
// installation.

#include <cairo.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "effect/TeskEditorLayout.h"

namespace {

constexpr int kWidth = 1156;
constexpr int kHeight = 456;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

// Palette: graphite panel, warm light from above, one accent per channel.
constexpr Rgb kPanelTop{0.205, 0.215, 0.235};
constexpr Rgb kPanelBottom{0.135, 0.142, 0.158};
constexpr Rgb kStripTop{0.170, 0.178, 0.196};
constexpr Rgb kStripBottom{0.118, 0.124, 0.138};
constexpr Rgb kLegend{0.78, 0.80, 0.83};
constexpr Rgb kLegendDim{0.52, 0.55, 0.59};
// The channel colours are the editor's (the response curve draws in them too).
constexpr Rgb FromChannel(const TeskEditorLayout::ChannelColour& c) {
  return Rgb{c.r / 255.0, c.g / 255.0, c.b / 255.0};
}
constexpr Rgb kAccent1 = FromChannel(TeskEditorLayout::kChannelColours[0]);  // first channel (L / M): amber
constexpr Rgb kAccent2 = FromChannel(TeskEditorLayout::kChannelColours[1]);  // second channel (R / S): teal
constexpr Rgb kRed{0.93, 0.25, 0.20};
constexpr Rgb kGreen{0.35, 0.85, 0.45};

void SetColor(cairo_t* cr, const Rgb& c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void VerticalGradient(cairo_t* cr, double y0, double y1, const Rgb& top, const Rgb& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

enum class Align { Left, Centre, Right };

void Text(cairo_t* cr, const char* s, double x, double baseline, double size, bool bold, const Rgb& c,
          Align align = Align::Centre, double alpha = 1.0) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s, &e);
  double left = x;
  if (align == Align::Centre) left = x - (e.x_advance / 2.0);
  if (align == Align::Right) left = x - e.x_advance;
  cairo_move_to(cr, std::round(left), baseline);
  SetColor(cr, c, alpha);
  cairo_show_text(cr, s);
  // Showing text leaves a current point; a shape drawn next would be joined to it by a line.
  cairo_new_path(cr);
}

// Text with a one-pixel dark shadow below it, as engraved legends read on a lit panel.
void Legend(cairo_t* cr, const char* s, double x, double baseline, double size, bool bold, const Rgb& c,
            Align align = Align::Centre) {
  Text(cr, s, x, baseline + 1, size, bold, Rgb{0, 0, 0}, align, 0.55);
  Text(cr, s, x, baseline, size, bold, c, align);
}

// ---------------------------------------------------------------------------------------------
// Controls of the layout, in attach order, with the image sizes this skin gives them.

enum class Kind { Knob, Drive, Selector, LowCut, Button, Over };

struct Control {
  const char* file;  // file name without folder and extension
  Kind kind;
  int frames;
  int x, y, w, h;  // position and size of one frame
  int channel;     // 1 or 2 (0: shared)
  double minDb, maxDb;
  std::vector<std::string> labels;  // selector and switch frame texts
};

std::vector<Control> Layout() {
  const int kw = 108, kh = 80;  // band and output knobs
  const int sw = 100, sh = 56;  // frequency selectors
  std::vector<Control> c = {
      {"BY", Kind::Button, 2, 123, 190, 64, 50, 0, 0, 0, {"BYPASS", "BYPASS"}},
      {"OVER", Kind::Over, 2, 0, 429, 96, 27, 0, 0, 0, {"4x SAT", "4x SAT"}},
      {"LINK", Kind::Button, 2, 215, 196, 64, 50, 0, 0, 0, {"LINK", "LINK"}},
      {"MS", Kind::Button, 2, 306, 196, 64, 50, 0, 0, 0, {"M/S", "L/R"}},
      {"LCUTL", Kind::LowCut, 2, 123, 55, 90, 50, 1, 0, 0, {"25 Hz", "1 Hz"}},
      {"LCUTR", Kind::LowCut, 2, 123, 267, 90, 50, 2, 0, 0, {"25 Hz", "1 Hz"}},
      {"HFREQL", Kind::Selector, 3, 862, 124, sw, sh, 1, 0, 0, {"12 kHz", "15 kHz", "20 kHz"}},
      {"HFREQR", Kind::Selector, 3, 862, 334, sw, sh, 2, 0, 0, {"12 kHz", "15 kHz", "20 kHz"}},
      {"LFREQL", Kind::Selector, 3, 252, 124, sw, sh, 1, 0, 0, {"20 Hz", "60 Hz", "40 Hz"}},
      {"LFREQR", Kind::Selector, 3, 254, 334, sw, sh, 2, 0, 0, {"20 Hz", "60 Hz", "40 Hz"}},
      {"MFREQ1L", Kind::Selector, 2, 371, 124, sw, sh, 1, 0, 0, {"80 Hz", "120 Hz"}},
      {"MFREQ1R", Kind::Selector, 2, 377, 334, sw, sh, 2, 0, 0, {"80 Hz", "120 Hz"}},
      {"MFREQ2L", Kind::Selector, 3, 498, 124, sw, sh, 1, 0, 0, {"400 Hz", "800 Hz", "630 Hz"}},
      {"MFREQ2R", Kind::Selector, 3, 502, 334, sw, sh, 2, 0, 0, {"400 Hz", "800 Hz", "630 Hz"}},
      {"MFREQ3L", Kind::Selector, 3, 619, 124, sw, sh, 1, 0, 0, {"1 kHz", "3 kHz", "2 kHz"}},
      {"MFREQ3R", Kind::Selector, 3, 625, 334, sw, sh, 2, 0, 0, {"1 kHz", "3 kHz", "2 kHz"}},
      {"MFREQ4L", Kind::Selector, 2, 741, 124, sw, sh, 1, 0, 0, {"5 kHz", "8 kHz"}},
      {"MFREQ4R", Kind::Selector, 2, 748, 334, sw, sh, 2, 0, 0, {"5 kHz", "8 kHz"}},
      {"HGAINL", Kind::Knob, 31, 862, 38, kw, kh, 1, -18, 18, {}},
      {"HGAINR", Kind::Knob, 31, 862, 253, kw, kh, 2, -18, 18, {}},
      {"LGAINL", Kind::Knob, 31, 244, 38, kw, kh, 1, -18, 18, {}},
      {"LGAINR", Kind::Knob, 31, 248, 253, kw, kh, 2, -18, 18, {}},
      {"MGAIN1L", Kind::Knob, 31, 371, 38, kw, kh, 1, -9, 9, {}},
      {"MGAIN1R", Kind::Knob, 31, 373, 253, kw, kh, 2, -9, 9, {}},
      {"MGAIN2L", Kind::Knob, 31, 496, 38, kw, kh, 1, -4.5, 4.5, {}},
      {"MGAIN2R", Kind::Knob, 31, 496, 253, kw, kh, 2, -4.5, 4.5, {}},
      {"MGAIN3L", Kind::Knob, 31, 621, 32, kw, kh, 1, -4.5, 4.5, {}},
      {"MGAIN3R", Kind::Knob, 31, 619, 253, kw, kh, 2, -4.5, 4.5, {}},
      {"MGAIN4L", Kind::Knob, 31, 741, 38, kw, kh, 1, -9, 9, {}},
      {"MGAIN4R", Kind::Knob, 31, 739, 253, kw, kh, 2, -9, 9, {}},
      {"OUTL", Kind::Knob, 31, 981, 38, kw, kh, 1, -12, 12, {}},
      {"OUTR", Kind::Knob, 31, 981, 253, kw, kh, 2, -12, 12, {}},
      {"DRV", Kind::Drive, 31, 125, 112, 100, 76, 0, -60, -20, {}},
  };
  return c;
}

const Rgb& AccentOf(int channel) { return channel == 2 ? kAccent2 : kAccent1; }

// ---------------------------------------------------------------------------------------------
// Background

// Column centres of the band strips (first-channel knob centres).
struct Column {
  const char* name;
  double x;
};
const Column kColumns[] = {{"LOW", 244 + 54}, {"MID 1", 371 + 54}, {"MID 2", 496 + 54},
                           {"MID 3", 621 + 54}, {"MID 4", 741 + 54}, {"HIGH", 862 + 54},
                           {"OUTPUT", 981 + 54}};

void Screw(cairo_t* cr, double x, double y) {
  cairo_arc(cr, x, y, 4.5, 0, 2 * kPi);
  cairo_pattern_t* p = cairo_pattern_create_radial(x - 1.5, y - 1.5, 0.5, x, y, 4.5);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.62, 0.64, 0.67);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.25, 0.26, 0.28);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_set_line_width(cr, 1.2);
  cairo_set_source_rgba(cr, 0.10, 0.10, 0.11, 0.9);
  cairo_move_to(cr, x - 3, y - 1.2);
  cairo_line_to(cr, x + 3, y + 1.2);
  cairo_stroke(cr);
}

void Strip(cairo_t* cr, double x, double y, double w, double h, const Rgb& accent, const char* name) {
  // Recessed strip: dark inner fill, shadow at the top edge, light at the bottom edge.
  RoundedRect(cr, x, y, w, h, 8);
  VerticalGradient(cr, y, y + h, kStripTop, kStripBottom);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_stroke(cr);
  cairo_move_to(cr, x + 8, y + h + 0.5);
  cairo_line_to(cr, x + w - 8, y + h + 0.5);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.07);
  cairo_stroke(cr);
  // Accent bar and channel name at the right end of the strip.
  RoundedRect(cr, x + w - 50, y + 10, 4, h - 20, 2);
  SetColor(cr, accent, 0.85);
  cairo_fill(cr);
  Legend(cr, name, x + w - 24, y + h / 2 - 4, 15, true, accent);
  Legend(cr, name[0] == 'L' ? "CH 1" : "CH 2", x + w - 24, y + h / 2 + 14, 8.5, true, kLegendDim);
}

// The response-curve strip: a recessed window with a faint grid (octave-decade lines at 100 Hz,
// 1 kHz and 10 kHz, gain lines every 6 dB) whose plot area the curve control draws into.
void CurveStrip(cairo_t* cr) {
  using namespace TeskEditorLayout;
  const double x = kCurveFrameL, y = kCurveFrameT, w = kCurveFrameR - kCurveFrameL, h = kCurveFrameB - kCurveFrameT;
  RoundedRect(cr, x - 1, y - 1, w + 2, h + 2, 6);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
  cairo_fill(cr);
  RoundedRect(cr, x, y, w, h, 5);
  VerticalGradient(cr, y, y + h, Rgb{0.045, 0.047, 0.055}, Rgb{0.075, 0.078, 0.088});
  cairo_fill(cr);

  cairo_save(cr);
  cairo_rectangle(cr, kCurvePlotL, kCurvePlotT, kCurvePlotR - kCurvePlotL, kCurvePlotB - kCurvePlotT);
  cairo_clip(cr);
  cairo_set_line_width(cr, 1);
  for (double db = -12; db <= 12; db += 6) {
    if (db == 0) continue;  // the curve control draws the 0 dB line itself
    const double gy = std::floor(CurveYForDb(db)) + 0.5;
    cairo_move_to(cr, kCurvePlotL, gy);
    cairo_line_to(cr, kCurvePlotR, gy);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.045);
    cairo_stroke(cr);
  }
  for (double decade : {100.0, 1000.0, 10000.0}) {
    for (int m = 1; m <= 9; ++m) {
      const double hz = decade / 10.0 * m;
      if (hz < kCurveMinHz || hz > kCurveMaxHz) continue;
      const double gx = std::floor(CurveXForHz(hz)) + 0.5;
      cairo_move_to(cr, gx, kCurvePlotT);
      cairo_line_to(cr, gx, kCurvePlotB);
      cairo_set_source_rgba(cr, 1, 1, 1, m == 1 ? 0.10 : 0.035);
      cairo_stroke(cr);
    }
  }
  cairo_move_to(cr, std::floor(CurveXForHz(kCurveMaxHz)) + 0.5, kCurvePlotT);
  cairo_line_to(cr, std::floor(CurveXForHz(kCurveMaxHz)) + 0.5, kCurvePlotB);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.035);
  cairo_stroke(cr);
  const struct {
    double hz;
    const char* text;
  } labels[] = {{100, "100"}, {1000, "1k"}, {10000, "10k"}};
  for (const auto& l : labels)
    Text(cr, l.text, std::floor(CurveXForHz(l.hz)) + 3, kCurvePlotB - 3, 6.5, true, kLegendDim, Align::Left, 0.8);
  Text(cr, "+18", kCurvePlotL + 2, kCurvePlotT + 7, 6.0, true, kLegendDim, Align::Left, 0.7);
  Text(cr, "-18", kCurvePlotL + 2, kCurvePlotB - 2, 6.0, true, kLegendDim, Align::Left, 0.7);
  cairo_restore(cr);
}

void DrawBackground(cairo_t* cr) {
  // Brushed graphite: vertical light falloff plus fine horizontal grain.
  VerticalGradient(cr, 0, kHeight, kPanelTop, kPanelBottom);
  cairo_paint(cr);
  for (int y = 0; y < kHeight; ++y) {
    const double v = std::sin(y * 12.9898) * 43758.5453;
    const double grain = (v - std::floor(v)) * 0.035;
    cairo_rectangle(cr, 0, y, kWidth, 1);
    cairo_set_source_rgba(cr, 1, 1, 1, grain * 0.6);
    cairo_fill(cr);
  }
  // Top highlight and bottom shade of the faceplate.
  cairo_rectangle(cr, 0, 0, kWidth, 1);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
  cairo_fill(cr);
  cairo_rectangle(cr, 0, kHeight - 1, kWidth, 1);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_fill(cr);

  // Channel strips behind the band columns.
  Strip(cr, 234, 8, 912, 180, kAccent1, "L / M");
  Strip(cr, 234, 250, 912, 150, kAccent2, "R / S");

  CurveStrip(cr);

  // Column legends above the first strip's knobs; thin guides between columns.
  for (const Column& col : kColumns) Legend(cr, col.name, col.x, 24, 9.5, true, kLegend);
  const double guides[] = {362, 487, 612, 735, 855, 975};
  for (double gx : guides) {
    for (double y0 : {14.0, 256.0}) {
      const double len = y0 < 100 ? 168 : 138;
      cairo_move_to(cr, gx + 0.5, y0);
      cairo_line_to(cr, gx + 0.5, y0 + len);
      cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      cairo_move_to(cr, gx + 1.5, y0);
      cairo_line_to(cr, gx + 1.5, y0 + len);
      cairo_set_source_rgba(cr, 1, 1, 1, 0.04);
      cairo_stroke(cr);
    }
  }

  // Brand block in the left column.
  Legend(cr, "Tesk", 14, 40, 30, true, Rgb{0.93, 0.93, 0.94}, Align::Left);
  Legend(cr, "Quillfen", 16, 56, 10.5, false, kAccent1, Align::Left);
  Legend(cr, "EQ / SATURATION", 16, 70, 7, true, kLegendDim, Align::Left);

  // Left-column legends next to the controls they name.
  Legend(cr, "LOW CUT", 117, 84, 8.5, true, kLegend, Align::Right);
  Legend(cr, "L / M", 117, 96, 7.5, true, kAccent1, Align::Right);
  Legend(cr, "DRIVE", 117, 148, 8.5, true, kLegend, Align::Right);
  Legend(cr, "dB", 117, 160, 7.5, false, kLegendDim, Align::Right);
  Legend(cr, "LOW CUT", 117, 296, 8.5, true, kLegend, Align::Right);
  Legend(cr, "R / S", 117, 308, 7.5, true, kAccent2, Align::Right);

  // Footer: product line and the web-link area at the bottom right.
  cairo_move_to(cr, 110, 414.5);
  cairo_line_to(cr, kWidth - 10, 414.5);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_move_to(cr, 110, 415.5);
  cairo_line_to(cr, kWidth - 10, 415.5);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.05);
  cairo_stroke(cr);
  Legend(cr, "SIX-BAND EQUALISER  \xC2\xB7  TABLE SATURATION  \xC2\xB7  8x OVERSAMPLED EQ", 578, 438, 8, true,
         kLegendDim);
  Legend(cr, "quillfen.example", 1138, 447, 8.5, true, kAccent1, Align::Right);
  cairo_move_to(cr, 1062, 452.5);
  cairo_line_to(cr, 1138, 452.5);
  SetColor(cr, kAccent1, 0.5);
  cairo_stroke(cr);

  for (double sx : {8.0, kWidth - 8.0})
    for (double sy : {8.0, kHeight - 8.0}) Screw(cr, sx, sy);
}

// ---------------------------------------------------------------------------------------------
// Control frames. Each function draws one frame into a w x h area at the origin.

void FormatDb(char* out, size_t n, double v) {
  if (std::fabs(v - std::round(v)) < 1e-9)
    std::snprintf(out, n, "%+d", static_cast<int>(std::lround(v)));
  else
    std::snprintf(out, n, "%+.1f", v);
  if (v == 0) std::snprintf(out, n, "0");
}

void DrawKnob(cairo_t* cr, const Control& c, int frame) {
  const bool drive = c.kind == Kind::Drive;
  const double cx = c.w / 2.0;
  const double cy = drive ? 36.0 : 38.0;
  const double rScale = drive ? 29.0 : 30.0;
  const double rBody = drive ? 19.0 : 20.0;
  const double start = kPi * 0.75, sweep = kPi * 1.5;  // 7:30 to 4:30, clockwise
  const double pos = frame / static_cast<double>(c.frames - 1);
  const Rgb& accent = drive ? kRed : AccentOf(c.channel);

  // Scale: eleven ticks, longer at the ends and the centre.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i <= 10; ++i) {
    const double a = start + sweep * i / 10.0;
    const bool major = i == 0 || i == 5 || i == 10;
    const double r0 = rScale - (major ? 5.5 : 3.5), r1 = rScale;
    cairo_move_to(cr, cx + r0 * std::cos(a), cy + r0 * std::sin(a));
    cairo_line_to(cr, cx + r1 * std::cos(a), cy + r1 * std::sin(a));
    cairo_set_line_width(cr, major ? 1.4 : 1.0);
    SetColor(cr, kLegend, major ? 0.9 : 0.55);
    cairo_stroke(cr);
  }
  // Value arc: from the centre for the bipolar gains, from the minimum for the drive.
  const double from = drive ? start : start + sweep * 0.5;
  const double to = start + sweep * pos;
  cairo_set_line_width(cr, 2.6);
  cairo_new_path(cr);
  const double rArc = rBody + 4.0;
  if (to >= from)
    cairo_arc(cr, cx, cy, rArc, from, to);
  else
    cairo_arc_negative(cr, cx, cy, rArc, from, to);
  SetColor(cr, accent, 0.95);
  cairo_stroke(cr);

  // Scale numbers: minimum bottom-left, maximum bottom-right, centre on top.
  char lo[16], hi[16], mid[16];
  if (drive) {
    std::snprintf(lo, sizeof lo, "%d", static_cast<int>(c.minDb));
    std::snprintf(hi, sizeof hi, "%d", static_cast<int>(c.maxDb));
    std::snprintf(mid, sizeof mid, "%d", static_cast<int>((c.minDb + c.maxDb) / 2));
  } else {
    FormatDb(lo, sizeof lo, c.minDb);
    FormatDb(hi, sizeof hi, c.maxDb);
    std::snprintf(mid, sizeof mid, "0");
  }
  const double ly = cy + rScale * std::sin(start) + 10.5;
  Text(cr, lo, cx + rScale * std::cos(start) - 4, ly, 7.5, false, kLegend);
  Text(cr, hi, cx - rScale * std::cos(start) + 4, ly, 7.5, false, kLegend);
  Text(cr, mid, cx + rScale + 9 > c.w ? cx : cx, cy - rScale - 2, 7.0, false, kLegendDim);

  // Knob body: drop shadow, skirt, cap lit from above.
  cairo_arc(cr, cx + 1, cy + 2, rBody + 1, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, rBody, 0, 2 * kPi);
  {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, cy - rBody, 0, cy + rBody);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.36, 0.37, 0.40);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.10, 0.10, 0.11);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  const double rCap = rBody - 4.0;
  cairo_arc(cr, cx, cy, rCap, 0, 2 * kPi);
  {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - rCap * 0.35, cy - rCap * 0.5, 1, cx, cy, rCap * 1.2);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.33, 0.34, 0.37);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.16, 0.165, 0.18);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
  }
  cairo_set_line_width(cr, 0.8);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
  cairo_stroke(cr);

  // Pointer line from near the centre to the skirt.
  const double a = start + sweep * pos;
  cairo_set_line_width(cr, 2.4);
  cairo_move_to(cr, cx + 5 * std::cos(a), cy + 5 * std::sin(a));
  cairo_line_to(cr, cx + (rBody - 1.5) * std::cos(a), cy + (rBody - 1.5) * std::sin(a));
  cairo_set_source_rgb(cr, 0.96, 0.96, 0.97);
  cairo_stroke(cr);
}

// Recessed display window with amber text (the frequency of this frame) and position dots.
void DrawSelector(cairo_t* cr, const Control& c, int frame) {
  const double x = 8, y = 4, w = c.w - 16, h = 30;
  RoundedRect(cr, x - 1, y - 1, w + 2, h + 2, 5);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
  cairo_fill(cr);
  RoundedRect(cr, x, y, w, h, 4);
  VerticalGradient(cr, y, y + h, Rgb{0.035, 0.035, 0.04}, Rgb{0.08, 0.075, 0.07});
  cairo_fill(cr);
  const Rgb& accent = AccentOf(c.channel);
  // Soft glow behind the text, then the text.
  Text(cr, c.labels[frame].c_str(), c.w / 2.0, y + 21, 13, true, accent, Align::Centre, 0.25);
  Text(cr, c.labels[frame].c_str(), c.w / 2.0, y + 20.5, 13, true, accent);
  // Position dots, one per frame, lit at this frame.
  const int n = c.frames;
  const double spacing = 11;
  const double x0 = c.w / 2.0 - spacing * (n - 1) / 2.0;
  for (int i = 0; i < n; ++i) {
    cairo_arc(cr, x0 + spacing * i, y + h + 12, 3, 0, 2 * kPi);
    if (i == frame) {
      SetColor(cr, accent);
    } else {
      cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    }
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 0.8);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_stroke(cr);
  }
}

void Led(cairo_t* cr, double x, double y, double r, const Rgb& c, bool on) {
  if (on) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(x, y, 0, x, y, r * 2.6);
    cairo_pattern_add_color_stop_rgba(glow, 0, c.r, c.g, c.b, 0.55);
    cairo_pattern_add_color_stop_rgba(glow, 1, c.r, c.g, c.b, 0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, x, y, r * 2.6, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
  }
  cairo_arc(cr, x, y, r, 0, 2 * kPi);
  if (on)
    SetColor(cr, c);
  else
    cairo_set_source_rgb(cr, c.r * 0.22, c.g * 0.22, c.b * 0.22);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 0.8);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_stroke(cr);
}

// A raised rectangular push button with an LED and a caption.
void ButtonFace(cairo_t* cr, double x, double y, double w, double h, bool pressed) {
  RoundedRect(cr, x + 0.5, y + 1.5, w, h, 4);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_fill(cr);
  RoundedRect(cr, x, y, w, h, 4);
  if (pressed)
    VerticalGradient(cr, y, y + h, Rgb{0.18, 0.19, 0.21}, Rgb{0.24, 0.25, 0.27});
  else
    VerticalGradient(cr, y, y + h, Rgb{0.34, 0.35, 0.38}, Rgb{0.20, 0.21, 0.23});
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
  cairo_stroke(cr);
  if (!pressed) {
    cairo_move_to(cr, x + 4, y + 1.5);
    cairo_line_to(cr, x + w - 4, y + 1.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.16);
    cairo_stroke(cr);
  }
}

void DrawButton(cairo_t* cr, const Control& c, int frame) {
  // Which frame lights the LED: BYPASS at 1 (bypassed), LINK at 0 (linked), M/S vs L/R always lit.
  std::string name = c.file;
  bool on = frame == 1;
  Rgb led = kGreen;
  if (name == "BY") led = kRed;
  if (name == "LINK") {
    on = frame == 0;
    led = kAccent1;
  }
  if (name == "MS") {
    on = true;
    led = frame == 0 ? kAccent2 : kAccent1;
  }
  ButtonFace(cr, 4, 4, c.w - 8, c.h - 10, on && name != "MS");
  Led(cr, c.w / 2.0, 14, 3.2, led, on);
  Text(cr, c.labels[frame].c_str(), c.w / 2.0, 33, name == "MS" ? 10.5 : 8.5, true, kLegend);
}

void DrawLowCut(cairo_t* cr, const Control& c, int frame) {
  // Two lit legends, the selected one bright; frame 0 = 25 Hz, frame 1 = 1 Hz.
  ButtonFace(cr, 4, 4, c.w - 8, c.h - 10, false);
  const Rgb& accent = AccentOf(c.channel);
  for (int i = 0; i < 2; ++i) {
    const double y = 16 + i * 15;
    Led(cr, 17, y - 3.5, 2.8, accent, i == frame);
    Text(cr, c.labels[i].c_str(), 28, y, 9, true, i == frame ? kLegend : kLegendDim, Align::Left);
  }
}

void DrawOver(cairo_t* cr, const Control& c, int frame) {
  const bool on = frame == 1;
  ButtonFace(cr, 8, 3, c.w - 14, c.h - 8, on);
  Led(cr, 20, c.h / 2.0 - 1, 3, kGreen, on);
  Text(cr, "4x SAT", 30, c.h / 2.0 + 2.5, 8.5, true, on ? kLegend : kLegendDim, Align::Left);
}

void DrawFrame(cairo_t* cr, const Control& c, int frame) {
  switch (c.kind) {
    case Kind::Knob:
    case Kind::Drive:
      DrawKnob(cr, c, frame);
      break;
    case Kind::Selector:
      DrawSelector(cr, c, frame);
      break;
    case Kind::Button:
      DrawButton(cr, c, frame);
      break;
    case Kind::LowCut:
      DrawLowCut(cr, c, frame);
      break;
    case Kind::Over:
      DrawOver(cr, c, frame);
      break;
  }
}

void SetFontOptions(cairo_t* cr) {
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, fo);
  cairo_font_options_destroy(fo);
}

bool Overlap(const Control& a, const Control& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool Save(cairo_surface_t* s, const std::string& path) {
  if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "tesk-skin: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

// Draws the background and every control image at scale (1 or 2) into dir, each name followed
// by suffix.
bool DrawSet(const std::vector<Control>& controls, int scale, const std::string& dir, const char* suffix) {
  cairo_surface_t* bg = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth * scale, kHeight * scale);
  cairo_t* cr = cairo_create(bg);
  SetFontOptions(cr);
  cairo_scale(cr, scale, scale);
  DrawBackground(cr);
  cairo_destroy(cr);
  cairo_surface_flush(bg);
  bool ok = Save(bg, dir + "/BG" + suffix + ".png");

  for (const Control& c : controls) {
    const int w = c.w * scale, h = c.h * scale;
    cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h * c.frames);
    cairo_t* s = cairo_create(strip);
    SetFontOptions(s);
    for (int f = 0; f < c.frames; ++f) {
      // The background under the control, pixel for pixel.
      cairo_save(s);
      cairo_rectangle(s, 0, h * f, w, h);
      cairo_clip(s);
      cairo_set_source_surface(s, bg, -c.x * scale, h * f - c.y * scale);
      cairo_paint(s);
      cairo_restore(s);
      // The frame, in panel units.
      cairo_save(s);
      cairo_scale(s, scale, scale);
      cairo_translate(s, 0, c.h * f);
      cairo_rectangle(s, 0, 0, c.w, c.h);
      cairo_clip(s);
      DrawFrame(s, c, f);
      cairo_restore(s);
    }
    cairo_destroy(s);
    cairo_surface_flush(strip);
    ok = Save(strip, dir + "/" + c.file + suffix + ".png") && ok;
    cairo_surface_destroy(strip);
  }
  cairo_surface_destroy(bg);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tesk-skin OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<Control> controls = Layout();

  // The layout must fit the panel without overlaps; the images fix the control sizes.
  const Control strip{"curve strip", Kind::Knob, 1, TeskEditorLayout::kCurveFrameL, TeskEditorLayout::kCurveFrameT,
                      TeskEditorLayout::kCurveFrameR - TeskEditorLayout::kCurveFrameL,
                      TeskEditorLayout::kCurveFrameB - TeskEditorLayout::kCurveFrameT, 0, 0, 0, {}};
  for (size_t i = 0; i < controls.size(); ++i) {
    const Control& a = controls[i];
    if (a.x < 0 || a.y < 0 || a.x + a.w > kWidth || a.y + a.h > kHeight) {
      std::fprintf(stderr, "tesk-skin: %s leaves the panel\n", a.file);
      return 1;
    }
    for (size_t j = i + 1; j < controls.size(); ++j)
      if (Overlap(a, controls[j])) {
        std::fprintf(stderr, "tesk-skin: %s overlaps %s\n", a.file, controls[j].file);
        return 1;
      }
    if (Overlap(a, strip)) {
      std::fprintf(stderr, "tesk-skin: %s overlaps the curve strip\n", a.file);
      return 1;
    }
  }

  const std::string large = dir + "/2x";
  if (mkdir(large.c_str(), 0777) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "tesk-skin: cannot create %s\n", large.c_str());
    return 1;
  }
  bool ok = DrawSet(controls, 1, dir, "");
  ok = DrawSet(controls, 2, large, "@2x") && ok;
  return ok ? 0 : 1;
}
