#include "lv2/IEffectLV2UI.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/urid/urid.h>

#include "core/Core_Mutex.h"
#include "platform/linux/IGraphicsLinux.h"

namespace {

const void* FeatureData(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

// Tells window managers and hosts that read them that the window has exactly one size.
// Uses a connection of its own: the editor's belongs to the editor.
void SetFixedSizeHints(unsigned long window, int w, int h)
{
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  XSizeHints* hints = XAllocSizeHints();
  if (hints)
  {
    hints->flags = PSize | PMinSize | PMaxSize;
    hints->width = hints->min_width = hints->max_width = w;
    hints->height = hints->min_height = hints->max_height = h;
    XSetWMNormalHints(d, static_cast<Window>(window), hints);
    XFree(hints);
  }
  XSync(d, False);
  XCloseDisplay(d);
}

// A float option of the host's, or 0 when it does not give one (or no urid:map to read it).
float FloatOption(const LV2_Feature* const* features, const char* key)
{
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  if (!map || !map->map || !options) return 0.0f;
  const LV2_URID keyURID = map->map(map->handle, key);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  for (const LV2_Options_Option* o = options; o->key != 0; ++o)
  {
    if (o->key != keyURID || o->type != floatType || o->size != sizeof(float) || !o->value) continue;
    float v = 0.0f;
    memcpy(&v, o->value, sizeof v);
    return std::isfinite(v) && v > 0.0f ? v : 0.0f;
  }
  return 0.0f;
}

}  // namespace

IEffectLV2UI::IEffectLV2UI(int nParams, const char* channelIOStr, const char* effectName,
                           const char* productName, const char* mfrName, int vendorVersion)
    : IEffectLV2Base(nParams, channelIOStr, 1, effectName, productName, mfrName, vendorVersion, 0, 0, 0, false,
                     false, false, kAPILV2)
{
  const int n = nParams > 0 ? nParams : 1;
  mOpenGestures.Resize(n);
  if (mOpenGestures.GetSize() != n) throw std::bad_alloc();
  for (int i = 0; i < n; ++i) mOpenGestures.Get()[i] = 0;
}

IEffectLV2UI::~IEffectLV2UI()
{
  if (IGraphicsLinux* editor = Editor()) editor->CloseWindow();
}

IGraphicsLinux* IEffectLV2UI::Editor()
{
  // The UI library links the X11 platform: its editors are IGraphicsLinux.
  return dynamic_cast<IGraphicsLinux*>(static_cast<IGraphics*>(GetGUI()));
}

bool IEffectLV2UI::Open(LV2UI_Write_Function write, LV2UI_Controller controller,
                        const LV2_Feature* const* features)
{
  IGraphicsLinux* editor = Editor();
  void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
  if (!editor || !parent) return false;
  mWrite = write;
  mController = controller;
  mTouch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));
  if (mTouch && !mTouch->touch) mTouch = nullptr;

  // The sample rate (drawings that depend on it) and the screen's scale, when the host
  // tells them; the window opens at its final size.
  if (const float rate = FloatOption(features, LV2_PARAMETERS__sampleRate))
  {
    Core_MutexLock lock(mMutex);
    SetSampleRate(rate);
  }
  if (const float scale = FloatOption(features, LV2_UI__scaleFactor))
    editor->SetScale(static_cast<int>(std::lround(scale * 100.0f)));

  if (!editor->OpenWindow(parent)) return false;
  const unsigned long window = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(editor->GetWindow()));
  SetFixedSizeHints(window, editor->WindowWidth(), editor->WindowHeight());
  const auto* resize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
  if (resize && resize->ui_resize) resize->ui_resize(resize->handle, editor->WindowWidth(), editor->WindowHeight());
  OnGUIOpen();
  return true;
}

void* IEffectLV2UI::Widget()
{
  IGraphicsLinux* editor = Editor();
  return editor ? editor->GetWindow() : nullptr;
}

void IEffectLV2UI::PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer)
{
  if (format != 0 || bufferSize != sizeof(float) || !buffer) return;
  const int idx = Ports().ParamOfPort(port);
  if (idx < 0) return;  // the bypass and the latency have no control on the editor
  float v = 0.0f;
  memcpy(&v, buffer, sizeof(v));
  double plain = 0.0;
  if (!LV2PortValueToPlain(*GetParam(idx), v, &plain)) return;

  mInPortEvent = true;
  {
    Core_MutexLock lock(mMutex);
    GetParam(idx)->SetValue(plain);
    OnParamChange(idx);
  }
  ShowParam(idx);
  mInPortEvent = false;
}

int IEffectLV2UI::Idle()
{
  IGraphicsLinux* editor = Editor();
  if (!editor || !editor->WindowIsOpen()) return 1;
  editor->Pump();
  return editor->WindowIsOpen() ? 0 : 1;
}

void IEffectLV2UI::WriteParamPort(int idx)
{
  IParam* param = GetParam(idx);
  if (!param || !mWrite || mInPortEvent) return;
  const float v = static_cast<float>(param->GetValue());
  mWrite(mController, Ports().Param(idx), sizeof(float), 0, &v);
}

void IEffectLV2UI::ShowParam(int idx)
{
  IParam* param = GetParam(idx);
  if (param && GetGUI()) GetGUI()->SetParameterFromPlug(idx, param->GetNormalized(), true);
}

void IEffectLV2UI::Touch(int idx, bool grabbed)
{
  if (mTouch && GetParam(idx) && !mInPortEvent) mTouch->touch(mTouch->handle, Ports().Param(idx), grabbed);
}

void IEffectLV2UI::BeginInformHostOfParamChange(int idx)
{
  if (idx < 0 || idx >= NParams()) return;
  ++mOpenGestures.Get()[idx];
  Touch(idx, true);
}

void IEffectLV2UI::InformHostOfParamChange(int idx, double /*normalizedValue*/)
{
  IParam* param = GetParam(idx);
  if (!param) return;
  {
    // The port carries a float: the editor's value becomes the one the sound will have.
    Core_MutexLock lock(mMutex);
    param->SetValue(static_cast<double>(static_cast<float>(param->GetValue())));
  }
  WriteParamPort(idx);
}

void IEffectLV2UI::EndInformHostOfParamChange(int idx)
{
  if (idx < 0 || idx >= NParams() || mOpenGestures.Get()[idx] <= 0) return;
  --mOpenGestures.Get()[idx];
  Touch(idx, false);
}
