#include "X11TestHost.h"

#include <poll.h>

#include <algorithm>
#include <chrono>

using namespace Steinberg;

namespace tesk_x11 {
namespace {

long long NowMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

tresult PLUGIN_API PollRunLoop::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd)
{
  if (!handler || fd < 0) return kInvalidArgument;
  handler->addRef();
  mEvents.push_back({handler, fd});
  return kResultOk;
}

tresult PLUGIN_API PollRunLoop::unregisterEventHandler(Linux::IEventHandler* handler)
{
  auto it = std::find_if(mEvents.begin(), mEvents.end(), [&](const Event& e) { return e.handler == handler; });
  if (it == mEvents.end()) return kInvalidArgument;
  mEvents.erase(it);
  handler->release();
  return kResultOk;
}

tresult PLUGIN_API PollRunLoop::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval ms)
{
  if (!handler || ms == 0) return kInvalidArgument;
  handler->addRef();
  mTimers.push_back({handler, ms, NowMs() + static_cast<long long>(ms)});
  mLastInterval = ms;
  return kResultOk;
}

tresult PLUGIN_API PollRunLoop::unregisterTimer(Linux::ITimerHandler* handler)
{
  auto it = std::find_if(mTimers.begin(), mTimers.end(), [&](const Timer& t) { return t.handler == handler; });
  if (it == mTimers.end()) return kInvalidArgument;
  mTimers.erase(it);
  handler->release();
  return kResultOk;
}

tresult PLUGIN_API PollRunLoop::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop_iid) || FUnknownPrivate::iidEqual(iid, FUnknown_iid))
  {
    addRef();
    *obj = this;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

void PollRunLoop::RunOnce(int waitMs)
{
  long long wait = waitMs;
  const long long now = NowMs();
  for (const Timer& t : mTimers) wait = std::min(wait, std::max(0LL, t.due - now));
  std::vector<pollfd> fds;
  for (const Event& e : mEvents) fds.push_back({e.fd, POLLIN, 0});
  poll(fds.data(), fds.size(), static_cast<int>(wait));
  // Handlers may unregister themselves or others: work on copies and re-check membership.
  std::vector<Event> ready;
  for (size_t i = 0; i < fds.size(); ++i)
    if (fds[i].revents & POLLIN) ready.push_back(mEvents[i]);
  for (const Event& e : ready)
    if (std::any_of(mEvents.begin(), mEvents.end(), [&](const Event& x) { return x.handler == e.handler; }))
      e.handler->onFDIsSet(e.fd);
  const long long after = NowMs();
  std::vector<Timer> due;
  for (Timer& t : mTimers)
    if (t.due <= after)
    {
      due.push_back(t);
      t.due = after + t.interval;
    }
  for (const Timer& t : due)
    if (std::any_of(mTimers.begin(), mTimers.end(), [&](const Timer& x) { return x.handler == t.handler; }))
    {
      ++mTimerCalls;
      t.handler->onTimer();
    }
}

bool PollRunLoop::RunUntil(const std::function<bool()>& done, int timeoutMs)
{
  const long long end = NowMs() + timeoutMs;
  for (;;)
  {
    if (done()) return true;
    const long long now = NowMs();
    if (now >= end) return false;
    RunOnce(static_cast<int>(end - now));
  }
}

void PollRunLoop::RunPending()
{
  for (;;)
  {
    std::vector<pollfd> fds;
    for (const Event& e : mEvents) fds.push_back({e.fd, POLLIN, 0});
    if (fds.empty() || poll(fds.data(), fds.size(), 0) <= 0) return;
    RunOnce(0);
  }
}

tresult PLUGIN_API TestPlugFrame::resizeView(IPlugView* view, ViewRect* r)
{
  ++mResizeRequests;
  if (!view || !r) return kInvalidArgument;
  mLastResize = *r;
  if (mOnResize) mOnResize(r->getWidth(), r->getHeight());
  return view->onSize(r);
}

tresult PLUGIN_API TestContextMenu::addItem(const Item& item, Vst::IContextMenuTarget* target)
{
  std::string name;
  for (const Vst::TChar* c = item.name; *c; ++c) name += *c < 0x80 ? static_cast<char>(*c) : '~';
  mNames.push_back(name);
  mItems.push_back(item);
  if (target) target->addRef();
  mTargets.push_back(target);
  return kResultOk;
}

tresult PLUGIN_API TestContextMenu::popup(UCoord, UCoord)
{
  ++mPopups;
  for (size_t i = 0; i < mItems.size(); ++i)
    if (!mChoose.empty() && mNames[i] == mChoose && mTargets[i]) return mTargets[i]->executeMenuItem(mItems[i].tag);
  return kResultOk;
}

uint32 PLUGIN_API TestContextMenu::release()
{
  if (--mRefs > 0) return mRefs;
  for (Vst::IContextMenuTarget* t : mTargets)
    if (t) t->release();
  delete this;
  return 0;
}

Vst::IContextMenu* PLUGIN_API RecordingHandler::createContextMenu(IPlugView*, const Vst::ParamID*)
{
  if (mMenu) mMenu->release();
  mMenu = new TestContextMenu;
  mMenu->mChoose = mChoose;
  mMenu->addRef();  // the caller's reference; the handler keeps its own to look at the items
  return mMenu;
}

void RecordingHandler::DropMenu()
{
  if (mMenu) mMenu->release();
  mMenu = nullptr;
}

tresult PLUGIN_API TestPlugFrame::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, IPlugFrame_iid) || FUnknownPrivate::iidEqual(iid, FUnknown_iid))
  {
    addRef();
    *obj = this;
    return kResultOk;
  }
  if (mLoop && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop_iid)) return mLoop->queryInterface(iid, obj);
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API RecordingHandler::beginEdit(Vst::ParamID id)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mEdits.push_back({'B', id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API RecordingHandler::performEdit(Vst::ParamID id, Vst::ParamValue v)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mEdits.push_back({'P', id, v});
  return kResultOk;
}

tresult PLUGIN_API RecordingHandler::endEdit(Vst::ParamID id)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mEdits.push_back({'E', id, 0.0});
  return kResultOk;
}

tresult PLUGIN_API RecordingHandler::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler_iid) || FUnknownPrivate::iidEqual(iid, FUnknown_iid))
  {
    *obj = static_cast<Vst::IComponentHandler*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler3_iid))
  {
    *obj = static_cast<Vst::IComponentHandler3*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

std::vector<RecordingHandler::Edit> RecordingHandler::Take()
{
  std::lock_guard<std::mutex> lock(mMutex);
  std::vector<Edit> out;
  out.swap(mEdits);
  return out;
}

}  // namespace tesk_x11
