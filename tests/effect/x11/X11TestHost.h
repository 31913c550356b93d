#pragma once
// The host side of an editor test under X11: a run loop that polls registered file
// descriptors and timers (as a Linux DAW's event loop does), a plug frame that offers
// it, and a component handler that records the edits the editor sends.

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
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
  // Timer callbacks made so far (repaint ticks).
  long TimerCalls() const { return mTimerCalls; }
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
  long mTimerCalls = 0;
};

// IPlugFrame that also answers IRunLoop (hosts hand the run loop out this way). resizeView
// resizes the host's window (mOnResize) and answers with the view's onSize, as hosts do.
class TestPlugFrame : public Steinberg::IPlugFrame
{
public:
  explicit TestPlugFrame(PollRunLoop* loop) : mLoop(loop) {}
  Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* r) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return ++mRefs; }
  Steinberg::uint32 PLUGIN_API release() override { return --mRefs; }
  int mResizeRequests = 0;
  Steinberg::ViewRect mLastResize;
  std::function<void(int width, int height)> mOnResize;

private:
  PollRunLoop* mLoop;
  Steinberg::uint32 mRefs = 1;
};

// The host's context menu for a parameter: records the items the plug-in adds, and its popup
// carries out the item named mChoose (if any) at once, as a host whose menu is modal does.
class TestContextMenu final : public Steinberg::Vst::IContextMenu
{
public:
  Steinberg::int32 PLUGIN_API getItemCount() override { return static_cast<Steinberg::int32>(mItems.size()); }
  Steinberg::tresult PLUGIN_API getItem(Steinberg::int32, Item&, Steinberg::Vst::IContextMenuTarget**) override
  {
    return Steinberg::kResultFalse;
  }
  Steinberg::tresult PLUGIN_API addItem(const Item& item, Steinberg::Vst::IContextMenuTarget* target) override;
  Steinberg::tresult PLUGIN_API removeItem(const Item&, Steinberg::Vst::IContextMenuTarget*) override
  {
    return Steinberg::kResultFalse;
  }
  Steinberg::tresult PLUGIN_API popup(Steinberg::UCoord x, Steinberg::UCoord y) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override
  {
    *obj = nullptr;
    return Steinberg::kNoInterface;
  }
  Steinberg::uint32 PLUGIN_API addRef() override { return ++mRefs; }
  Steinberg::uint32 PLUGIN_API release() override;

  // The item names as ASCII ('~' for anything else).
  std::vector<std::string> mNames;
  std::string mChoose;
  int mPopups = 0;

private:
  std::vector<Item> mItems;
  std::vector<Steinberg::Vst::IContextMenuTarget*> mTargets;  // referenced until the last release
  Steinberg::uint32 mRefs = 1;
};

// Records begin / perform / end edits: "B<id>", "P<id>=<value>", "E<id>". Offers
// IComponentHandler3: its context menu is mMenu.
class RecordingHandler : public Steinberg::Vst::IComponentHandler, public Steinberg::Vst::IComponentHandler3
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
  Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(Steinberg::IPlugView* view,
                                                             const Steinberg::Vst::ParamID* paramID) override;
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 2; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

  std::vector<Edit> Take();

  // Made by createContextMenu (the previous one is dropped); the test sets what it chooses.
  TestContextMenu* mMenu = nullptr;
  std::string mChoose;
  // Lets go of the last menu (and so of the plug-in's menu targets): before the plug-in goes.
  void DropMenu();
  ~RecordingHandler() { DropMenu(); }

private:
  std::mutex mMutex;
  std::vector<Edit> mEdits;
};

}  // namespace tesk_x11
