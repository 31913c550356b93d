#include "platform/linux/RunLoopClient.h"

using namespace Steinberg;

RunLoopClient* RunLoopClient::Create(Listener* listener) { return new RunLoopClient(listener); }

bool RunLoopClient::Start(Linux::IRunLoop* loop, int fd, unsigned intervalMs) {
  Stop();
  if (!loop || !mListener) return false;
  if (loop->registerTimer(this, intervalMs) != kResultOk) return false;
  mLoop = loop;
  mLoop->addRef();
  if (fd >= 0) mEventHandlerRegistered = loop->registerEventHandler(this, fd) == kResultOk;
  return true;
}

void RunLoopClient::Stop() {
  if (mCallbackDepth > 0) {
    mStopPending = true;
    return;
  }
  Unregister();
}

void RunLoopClient::Unregister() {
  mStopPending = false;
  if (!mLoop) return;
  Linux::IRunLoop* loop = mLoop;
  mLoop = nullptr;
  loop->unregisterTimer(this);
  if (mEventHandlerRegistered) loop->unregisterEventHandler(this);
  mEventHandlerRegistered = false;
  loop->release();
}

void RunLoopClient::Detach() {
  mListener = nullptr;
  Stop();
  release();
}

void RunLoopClient::EndCallback() {
  --mCallbackDepth;
  if (mCallbackDepth == 0 && mStopPending) Unregister();
}

void PLUGIN_API RunLoopClient::onTimer() {
  if (!mLoop || mStopPending || !mListener) return;
  addRef();  // a listener that detaches inside the callback must not free us under our feet
  ++mCallbackDepth;
  mListener->OnRunLoopTimer();
  EndCallback();
  release();
}

void PLUGIN_API RunLoopClient::onFDIsSet(Linux::FileDescriptor fd) {
  if (!mLoop || mStopPending || !mListener) return;
  addRef();
  ++mCallbackDepth;
  mListener->OnRunLoopEvent(fd);
  EndCallback();
  release();
}

tresult PLUGIN_API RunLoopClient::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler_iid) || FUnknownPrivate::iidEqual(iid, FUnknown_iid)) {
    addRef();
    *obj = static_cast<Linux::ITimerHandler*>(this);
    return kResultOk;
  }
  if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler_iid)) {
    addRef();
    *obj = static_cast<Linux::IEventHandler*>(this);
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API RunLoopClient::addRef() { return ++mRefCount; }

uint32 PLUGIN_API RunLoopClient::release() {
  const uint32 left = --mRefCount;
  if (left == 0) delete this;
  return left;
}
