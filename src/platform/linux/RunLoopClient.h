#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <atomic>

// The editor's repaint timer and X connection watcher, registered with the host's
// run loop (Steinberg::Linux::IRunLoop, queried from the view's IPlugFrame).
//
// The client is reference counted because the host holds references to it while it
// is registered; its owner keeps one reference and gives it up with Detach(). After
// Stop() no callback reaches the listener, even if the host calls a stale handler.
// A Stop() from inside one of the client's own callbacks is carried out when that
// callback returns: a handler is never unregistered from inside itself.
//
// Thread: the UI thread that runs the host's run loop.
class RunLoopClient final : public Steinberg::Linux::ITimerHandler, public Steinberg::Linux::IEventHandler {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void OnRunLoopTimer() = 0;
    virtual void OnRunLoopEvent(int fd) = 0;
  };

  // A new client with one reference, owned by the caller.
  static RunLoopClient* Create(Listener* listener);

  // Registers a timer every intervalMs milliseconds and, when fd >= 0, an event handler on
  // fd. False (nothing registered) without a run loop or when the host refuses the timer.
  bool Start(Steinberg::Linux::IRunLoop* loop, int fd, unsigned intervalMs);
  // Unregisters everything and silences the listener.
  void Stop();
  // Stop() and drop the owner's reference.
  void Detach();

  bool IsRunning() const { return mLoop != nullptr; }

  // FUnknown
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

  // ITimerHandler, IEventHandler
  void PLUGIN_API onTimer() override;
  void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;

 private:
  explicit RunLoopClient(Listener* listener) : mListener(listener) {}
  ~RunLoopClient() = default;
  void Unregister();
  void EndCallback();

  std::atomic<Steinberg::uint32> mRefCount{1};
  Listener* mListener;
  Steinberg::Linux::IRunLoop* mLoop = nullptr;
  bool mEventHandlerRegistered = false;
  int mCallbackDepth = 0;
  bool mStopPending = false;
};
