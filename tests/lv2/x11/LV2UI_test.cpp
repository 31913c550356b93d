// Tesk.lv2's UI library as an LV2 host runs it on the X server scripts/test starts: loaded
// through lv2ui_descriptor, instantiated in a host window (ui:parent) and driven by idle
// calls only; real pointer events (XTest) work its controls, and what it sends the host
// (write_function, ui:touch) is recorded.
// GoogleTest comes first: Xlib defines macros that clash with its names.
#include <gtest/gtest.h>

#include "LV2TestUtil.h"
#include "platform/x11/X11TestUser.h"
#include "effect/support/TeskParams.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_PNG.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tesk_lv2;

namespace {

constexpr int kW = 1156, kH = 456;
constexpr uint32_t kFirstParamPort = 4;

uint32_t PortOf(int param)
{
  return kFirstParamPort + static_cast<uint32_t>(param);
}

// What the UI sent the host, in order: 'W' a float written to a port, 'G' / 'R' a port
// grabbed or released (ui:touch).
struct Message
{
  char kind;
  uint32_t port;
  float value;
};

class LV2UIX11 : public ::testing::Test
{
protected:
  void SetUp() override
  {
    d = std::getenv("DISPLAY") ? XOpenDisplay(nullptr) : nullptr;
    int ev, err, major, minor;
    TESK_REQUIRE_X_SERVER(d && XTestQueryExtension(d, &ev, &err, &major, &minor), "no X server with XTest");
    XSetWindowAttributes a{};
    a.override_redirect = True;  // no window manager: the window stays where it is put
    window = XCreateWindow(d, DefaultRootWindow(d), 0, 0, kW, kH, 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect, &a);
    XMapRaised(d, window);
    XSync(d, False);

    library = dlopen((std::string(TESK_LV2_BUNDLE_PATH) + "/Tesk_ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, kTeskUIURI);
    EXPECT_EQ(entry(1), nullptr);
    idle = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);

    touch.handle = this;
    touch.touch = [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
      static_cast<LV2UIX11*>(h)->messages.push_back({grabbed ? 'G' : 'R', port, 0.0f});
    };
    resize.handle = this;
    resize.ui_resize = [](LV2UI_Feature_Handle h, int w, int hgt) {
      static_cast<LV2UIX11*>(h)->resized = {w, hgt};
      return 0;
    };
    Instantiate(0.0f);
  }

  // A new UI in the host window (the previous one cleaned up), told the sample rate and,
  // when scale is not 0, the screen's scale factor; then every control input's value, as
  // hosts tell a new UI.
  void Instantiate(float scale)
  {
    if (ui) descriptor->cleanup(ui);
    ui = nullptr;
    const float rate = 48000.0f;
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map.Map(LV2_PARAMETERS__sampleRate), sizeof(float), map.Map(LV2_ATOM__Float), &rate},
        {LV2_OPTIONS_INSTANCE, 0, scale ? map.Map(LV2_UI__scaleFactor) : 0, sizeof(float), map.Map(LV2_ATOM__Float),
         &scale},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(window))};
    const LV2_Feature touchFeature = {LV2_UI__touch, &touch};
    const LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
    const LV2_Feature mapFeature = {LV2_URID__map, const_cast<LV2_URID_Map*>(map.Feature())};
    const LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature* features[] = {&parentFeature, &touchFeature, &resizeFeature, &mapFeature, &optionsFeature,
                                     nullptr};
    const std::string bundle = std::string(TESK_LV2_BUNDLE_PATH) + "/";
    LV2UI_Widget widget = nullptr;
    ui = descriptor->instantiate(descriptor, kTeskURI, bundle.c_str(), Write, this, &widget, features);
    ASSERT_NE(ui, nullptr);
    editor = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
    ASSERT_NE(editor, 0u);
    for (const auto& spec : tesk_test::kParamSpecs) PortEvent(&spec - tesk_test::kParamSpecs, spec.def);
    Idle();
  }

  void TearDown() override
  {
    if (ui) descriptor->cleanup(ui);
    if (library) dlclose(library);
    if (d)
    {
      if (window) XDestroyWindow(d, window);
      XCloseDisplay(d);
    }
  }

  static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
  {
    auto* self = static_cast<LV2UIX11*>(controller);
    float v = 0.0f;
    EXPECT_EQ(size, sizeof(float));
    EXPECT_EQ(protocol, 0u);
    memcpy(&v, buffer, sizeof v);
    self->messages.push_back({'W', port, v});
  }

  void PortEvent(long param, double value)
  {
    const float v = static_cast<float>(value);
    descriptor->port_event(ui, PortOf(static_cast<int>(param)), sizeof v, 0, &v);
  }

  // One host idle round: what the server has for the UI is handed to it.
  int Idle()
  {
    XSync(d, False);
    return idle->idle(ui);
  }
  // Idle rounds (as a host's UI loop makes them, about every 10 ms) until done() holds;
  // false after the deadline.
  bool IdleUntil(const std::function<bool()>& done, int timeoutMs = 3000)
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true)
    {
      Idle();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      poll(nullptr, 0, 10);
    }
  }

  void MoveTo(int x, int y)
  {
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);  // the host window is at (0, 0)
    Idle();
  }
  void Button(unsigned button, bool press)
  {
    XTestFakeButtonEvent(d, button, press ? True : False, CurrentTime);
    Idle();
  }
  // Idles until a port release has been sent; the messages so far.
  std::vector<Message> MessagesUntilRelease()
  {
    IdleUntil([&] { return !messages.empty() && messages.back().kind == 'R'; });
    std::vector<Message> taken;
    taken.swap(messages);
    return taken;
  }

  // Sampled window pixels that differ from a PNG of the editor; the UI idles until there
  // are none or the deadline passes. -1 when a picture cannot be had.
  int MismatchesAgainst(const std::string& png)
  {
    std::unique_ptr<Pix_IBitmap> image(Pix_LoadPNG(png.c_str()));
    if (!image) return -1;
    int mismatches = -1;
    IdleUntil([&] {
      XImage* shot = XGetImage(d, editor, 0, 0, kW, kH, AllPlanes, ZPixmap);
      if (!shot) return false;
      mismatches = 0;
      for (int y = 0; y < kH; y += 3)
        for (int x = 0; x < kW; x += 3)
          if ((static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0xFFFFFF) != (Pix_GetPixel(image.get(), x, y) & 0xFFFFFF))
            ++mismatches;
      XDestroyImage(shot);
      return mismatches == 0;
    });
    return mismatches;
  }

  Display* d = nullptr;
  Window window = 0, editor = 0;
  void* library = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  const LV2UI_Idle_Interface* idle = nullptr;
  LV2UI_Handle ui = nullptr;
  UridMap map;
  LV2UI_Touch touch{};
  LV2UI_Resize resize{};
  std::pair<int, int> resized{0, 0};
  std::vector<Message> messages;
};

}  // namespace

TEST_F(LV2UIX11, OpensAtItsFixedSizeAndLooksLikeTheVST3Editor)
{
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(d, editor, &root, &parent, &children, &n));
  if (children) XFree(children);
  EXPECT_EQ(parent, window);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(d, editor, &attributes));
  EXPECT_EQ(attributes.width, kW);
  EXPECT_EQ(attributes.height, kH);
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(d, editor, &hints, &supplied));
  EXPECT_EQ(hints.flags & (PMinSize | PMaxSize), PMinSize | PMaxSize);
  EXPECT_EQ(std::make_pair(hints.min_width, hints.min_height), std::make_pair(kW, kH));
  EXPECT_EQ(std::make_pair(hints.max_width, hints.max_height), std::make_pair(kW, kH));
  EXPECT_EQ(resized, std::make_pair(kW, kH));

  // A setting through the ports, with the second channel linked to the first: the host's
  // own value for HGAINR is not what plays, and the editor shows what plays - as the VST 3
  // edition draws the same setting.
  const std::vector<std::pair<int, double>> setting = {
      {tesk_test::HGAINL, 7.5}, {tesk_test::HGAINR, -3}, {tesk_test::LFREQL, 1}, {tesk_test::LGAINL, 2.5},
      {tesk_test::MS, 0},       {tesk_test::OVER, 1},    {tesk_test::DRIVE, -25}, {tesk_test::LCUTL, 0}};
  std::string args;
  for (const auto& s : setting)
  {
    PortEvent(s.first, s.second);
    args += " --set " + std::to_string(s.first) + "=" + std::to_string(s.second);
  }
  TempDir dir;
  std::string log;
  ASSERT_EQ(RunCommand(Quote(TESK_RENDER_PATH) + " --plugin " + Quote(TESK_BUNDLE_PATH) + args + " --screenshot " +
                           Quote(dir.File("vst3.png")),
                       &log),
            0)
      << log;
  EXPECT_EQ(MismatchesAgainst(dir.File("vst3.png")), 0);
  EXPECT_TRUE(messages.empty());  // nothing the host sent is written back
}

TEST_F(LV2UIX11, KnobDragWritesBothLinkedPortsBetweenTouches)
{
  const int cx = 862 + 54, cy = 38 + 40;  // HGAINL
  MoveTo(cx, cy);
  Button(1, true);
  for (int step = 1; step <= 5; ++step) MoveTo(cx, cy - 6 * step);
  Button(1, false);
  const std::vector<Message> m = MessagesUntilRelease();
  ASSERT_GE(m.size(), 6u);
  // Grab HGAINL and, linked, its twin; then pairs of writes rising step by step; then
  // both released.
  EXPECT_EQ(m[0].kind, 'G');
  EXPECT_EQ(m[0].port, PortOf(tesk_test::HGAINL));
  EXPECT_EQ(m[1].kind, 'G');
  EXPECT_EQ(m[1].port, PortOf(tesk_test::HGAINR));
  float last = 0.0f;
  size_t i = 2;
  for (; i + 1 < m.size() && m[i].kind == 'W'; i += 2)
  {
    EXPECT_EQ(m[i].port, PortOf(tesk_test::HGAINL));
    EXPECT_EQ(m[i + 1].kind, 'W');
    EXPECT_EQ(m[i + 1].port, PortOf(tesk_test::HGAINR));
    EXPECT_EQ(m[i + 1].value, m[i].value);
    EXPECT_GT(m[i].value, last);
    last = m[i].value;
  }
  EXPECT_GT(last, 0.0f);
  ASSERT_EQ(m.size(), i + 2);
  EXPECT_EQ(m[i].kind, 'R');
  EXPECT_EQ(m[i].port, PortOf(tesk_test::HGAINL));
  EXPECT_EQ(m[i + 1].kind, 'R');
  EXPECT_EQ(m[i + 1].port, PortOf(tesk_test::HGAINR));
}

TEST_F(LV2UIX11, LinkingWritesTheSecondChannelAndPortEventsAreNeverWrittenBack)
{
  // Independent channels with different values, then every port told something: the UI
  // only shows it.
  PortEvent(tesk_test::LINK, 1);
  for (int i = 0; i < tesk_test::kNumParams; ++i)
    if (i != tesk_test::LINK && tesk_test::kParamSpecs[i].isDouble) PortEvent(i, i % 2 ? -1.5 : 3.0);
  PortEvent(tesk_test::HFREQL, 2);
  IdleUntil([] { return false; }, 100);
  EXPECT_TRUE(messages.empty());

  // The user links them: LINK, then every second-channel port with its twin's value.
  MoveTo(215 + 20, 196 + 10);
  Button(1, true);
  Button(1, false);
  const std::vector<Message> m = MessagesUntilRelease();
  std::map<uint32_t, float> written;
  for (const Message& msg : m)
    if (msg.kind == 'W') written[msg.port] = msg.value;
  EXPECT_EQ(written[PortOf(tesk_test::LINK)], 0.0f);
  // (first-channel parameter, its value): the gains were told 3, the selections 2 or their defaults.
  for (const auto& first : std::vector<std::pair<int, float>>{{tesk_test::HGAINL, 3.0f}, {tesk_test::MGAIN1L, 3.0f},
                                                              {tesk_test::MGAIN4L, 3.0f}, {tesk_test::OUTL, 3.0f},
                                                              {tesk_test::HFREQL, 2.0f}, {tesk_test::LFREQL, 0.0f},
                                                              {tesk_test::LCUTL, 1.0f}})
  {
    const int second = first.first + 1;
    EXPECT_EQ(written.count(PortOf(second)), 1u) << tesk_test::kParamSpecs[second].name;
    EXPECT_EQ(written[PortOf(second)], first.second) << tesk_test::kParamSpecs[second].name;
  }
  EXPECT_EQ(written.count(PortOf(tesk_test::HGAINL)), 0u);  // first channel: unchanged, not written
}

TEST_F(LV2UIX11, IdleReportsTheWindowGoneWhenTheHostDestroysIt)
{
  EXPECT_EQ(Idle(), 0);
  XDestroyWindow(d, window);
  window = 0;
  EXPECT_TRUE(IdleUntil([&] { return idle->idle(ui) != 0; }));
}

TEST_F(LV2UIX11, HonoursTheHostsScaleFactor)
{
  // A host window as large as the screen: the part of the editor these checks look at is
  // visible.
  XResizeWindow(d, window, static_cast<unsigned>(DisplayWidth(d, DefaultScreen(d))),
                static_cast<unsigned>(DisplayHeight(d, DefaultScreen(d))));
  Instantiate(2.0f);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(d, editor, &attributes));
  EXPECT_EQ(std::make_pair(attributes.width, attributes.height), std::make_pair(2 * kW, 2 * kH));
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(d, editor, &hints, &supplied));
  EXPECT_EQ(std::make_pair(hints.min_width, hints.max_height), std::make_pair(2 * kW, 2 * kH));
  EXPECT_EQ(resized, std::make_pair(2 * kW, 2 * kH));

  // The panel drawn from the large images: a stretch of the background no control covers.
  std::unique_ptr<Pix_IBitmap> bg(Pix_LoadPNG((std::string(TESK_IMAGE_DIR) + "/2x/BG@2x.png").c_str()));
  ASSERT_TRUE(bg);
  int mismatches = -1;
  IdleUntil([&] {
    XImage* shot = XGetImage(d, editor, 20, 20, 200, 60, AllPlanes, ZPixmap);
    if (!shot) return false;
    mismatches = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 200; ++x)
        if ((static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0xFFFFFF) != (Pix_GetPixel(bg.get(), 20 + x, 20 + y) & 0xFFFFFF))
          ++mismatches;
    XDestroyImage(shot);
    return mismatches == 0;
  });
  EXPECT_EQ(mismatches, 0);

  // The pointer works in window pixels: a drag on LGAINL at twice its panel place.
  const int cx = 2 * (244 + 54), cy = 2 * (38 + 40);
  MoveTo(cx, cy);
  Button(1, true);
  for (int step = 1; step <= 3; ++step) MoveTo(cx, cy - 12 * step);
  Button(1, false);
  const std::vector<Message> m = MessagesUntilRelease();
  ASSERT_GE(m.size(), 3u);
  EXPECT_EQ(m.front().port, PortOf(tesk_test::LGAINL));
  EXPECT_EQ(m.front().kind, 'G');
}
