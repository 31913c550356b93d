#pragma once

#include <cstdint>

#include "core/Core_TypedBuf.h"
#include "lv2/IEffectLV2Base.h"
#include "lv2/LV2Ports.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

class IGraphicsLinux;

// The editor's side of an LV2 plug-in (the UI library): a plug-in base that holds the
// parameters and the editor but no sound. It knows the instance only through the host's
// ports, so it works where the host runs the UI in another process:
//   - port_event (control inputs, float protocol) sets the parameter and shows it;
//   - an editor gesture writes the parameter's port through write_function, framed by
//     ui:touch grab and release when the host offers ui:touch.
// Nothing received from port_event is ever written back: writes are dropped while a
// port event is being handled, so a host's notification can never echo.
//
// The effect derives from this class (parameters and editor built in its constructor,
// as for the other editions) and may override OnParamChange to keep derived values
// (the channel link) consistent; it is called for both gestures and port events, with
// the mutex held.
//
// The window: an X11 child of the host's ui:parent, opened at the editor's size at the
// host's ui:scaleFactor (100, 150 or 200 %, the supported scale nearest to it), with size
// hints of that size as both minimum and maximum (the editor does not resize); the host's
// ui:resize, when offered, is told the size. The host's param:sampleRate option, when
// given, is the rate drawings of the response use (44.1 kHz otherwise). Options need
// urid:map. Idle (ui:idleInterface) handles the
// window's pending X events and repaints what changed, as the VST 3 edition's run-loop
// timer and event handler do.
//
// Threads: every function runs on the host's UI thread.
class IEffectLV2UI : public IEffectLV2Base
{
public:
  // The arguments of IEffectBase that matter for a UI; the API is LV2.
  IEffectLV2UI(int nParams, const char* channelIOStr, const char* effectName, const char* productName,
               const char* mfrName, int vendorVersion);
  ~IEffectLV2UI() override;

  LV2Ports Ports() const { return {NInChannels(), NOutChannels(), NParams()}; }

  // ---- LV2UI descriptor functions (LV2UIDescriptor.cpp calls these) ----

  // Takes the host's write function and features (ui:touch, ui:resize, options) and opens
  // the editor in the ui:parent window. False, nothing left open, without a parent, an
  // editor or a window.
  bool Open(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_Feature* const* features);
  // The editor's X11 window id (the LV2 widget), 0 when closed.
  void* Widget();
  void PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
  // 0 while the window is open, 1 once it is gone (the host destroyed it).
  int Idle();

  // ---- IEffectBase hooks: the host's side of editor gestures ----
  void BeginInformHostOfParamChange(int idx) override;
  // Writes the parameter's plain value to its port (as a float, which is what the DSP
  // library will read; the parameter takes that value too).
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  // An end without a matching begin is not sent.
  void EndInformHostOfParamChange(int idx) override;

protected:
  // Writes parameter idx's current value to its port (not during a port event).
  void WriteParamPort(int idx);
  // Shows parameter idx's current value on the editor.
  void ShowParam(int idx);
  // ui:touch for parameter idx's port.
  void Touch(int idx, bool grabbed);

private:
  IGraphicsLinux* Editor();

  LV2UI_Write_Function mWrite = nullptr;
  LV2UI_Controller mController = nullptr;
  const LV2UI_Touch* mTouch = nullptr;
  bool mInPortEvent = false;
  Core_TypedBuf<int> mOpenGestures;  // per parameter
};
