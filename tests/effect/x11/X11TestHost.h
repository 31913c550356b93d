#pragma once
// The host side of an editor test under X11: a run loop that polls registered file
// descriptors and timers (as a Linux DAW's event loop does), a plug frame that offers
// it, and a component handler that records the edits the editor sends.

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tesk_x11 {

class PollRunLoop : public Steinberg::Linux::IRunLoop
{
public:
  Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                     Steinberg::Linux::FileDescriptor fd) override;
  Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
  Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                              Steinberg::Linux::TimerInterval ms) override;
  Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return ++mRefs; }
  Steinberg::uint32 PLUGIN_API release() override { return --mRefs; }

  // Runs the loop until done() holds, at most timeoutMs milliseconds: waits on the descriptors
  // (no longer than until the next timer), calls the handlers of ready ones and of due timers,
  // and checks done() after each round. True when done() held.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs);
  // Calls the handlers of the descriptors that have input now, until none has.
  void RunPending();

  size_t Timers() const { return mTimers.size(); }
  size_t EventHandlers() const { return mEvents.size(); }
  Steinberg::Linux::TimerInterval LastInterval() const { return mLastInterval; }
  Steinberg::uint32 Refs() const { return mRefs; }

private:
  // One round: waits at most waitMs for input or the next timer, then calls the handlers.
  void RunOnce(int waitMs);

  struct Timer
  {
    Steinberg::Linux::ITimerHandler* handler;
    Steinberg::Linux::TimerInterval interval;
    long long due;
  };
  struct Event
  {
    Steinberg::Linux::IEventHandler* handler;
    int fd;
  };
  std::vector<Timer> mTimers;
  std::vector<Event> mEvents;
  Steinberg::Linux::TimerInterval mLastInterval = 0;
  Steinberg::uint32 mRefs = 1;
};

// IPlugFrame that also answers IRunLoop (hosts hand the run loop out this way).
class TestPlugFrame : public Steinberg::IPlugFrame
{
public:
  explicit TestPlugFrame(PollRunLoop* loop) : mLoop(loop) {}
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* r) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return ++mRefs; }
  Steinberg::uint32 PLUGIN_API release() override { return --mRefs; }
  int mResizeRequests = 0;

private:
  PollRunLoop* mLoop;
  Steinberg::uint32 mRefs = 1;
};

// Records begin / perform / end edits: "B<id>", "P<id>=<value>", "E<id>".
class RecordingHandler : public Steinberg::Vst::IComponentHandler
{
public:
  struct Edit
  {
    char kind;
    Steinberg::Vst::ParamID id;
    double value;
  };
  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue v) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32) override { return Steinberg::kResultOk; }
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 2; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

  std::vector<Edit> Take();

private:
  std::mutex mMutex;
  std::vector<Edit> mEdits;
};

}  // namespace tesk_x11
