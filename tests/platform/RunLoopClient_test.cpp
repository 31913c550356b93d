#include "platform/linux/RunLoopClient.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Steinberg;

namespace {

// A run loop that records registrations, holds references like a host does, and lets
// the test fire the handlers.
class FakeRunLoop : public Linux::IRunLoop {
 public:
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* h, Linux::FileDescriptor fd) override {
    h->addRef();
    events.push_back(h);
    lastFd = fd;
    return kResultOk;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* h) override {
    for (auto it = events.begin(); it != events.end(); ++it)
      if (*it == h) {
        events.erase(it);
        h->release();
        ++eventUnregistrations;
        return kResultOk;
      }
    return kInvalidArgument;
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* h, Linux::TimerInterval ms) override {
    if (refuseTimers) return kResultFalse;
    h->addRef();
    timers.push_back(h);
    lastInterval = ms;
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* h) override {
    for (auto it = timers.begin(); it != timers.end(); ++it)
      if (*it == h) {
        timers.erase(it);
        h->release();
        ++timerUnregistrations;
        return kResultOk;
      }
    return kInvalidArgument;
  }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return ++refs; }
  uint32 PLUGIN_API release() override { return --refs; }

  void FireTimers() {
    std::vector<Linux::ITimerHandler*> copy = timers;
    for (auto* t : copy) t->onTimer();
  }

  std::vector<Linux::ITimerHandler*> timers;
  std::vector<Linux::IEventHandler*> events;
  int timerUnregistrations = 0;
  int eventUnregistrations = 0;
  Linux::FileDescriptor lastFd = -1;
  Linux::TimerInterval lastInterval = 0;
  bool refuseTimers = false;
  uint32 refs = 1;
};

struct CountingListener : RunLoopClient::Listener {
  void OnRunLoopTimer() override {
    ++ticks;
    if (client && stopInside) client->Stop();
  }
  void OnRunLoopEvent(int fd) override { lastFd = fd, ++events; }
  RunLoopClient* client = nullptr;
  bool stopInside = false;
  int ticks = 0;
  int events = 0;
  int lastFd = -1;
};

}  // namespace

TEST(RunLoopClient, RegistersTimerAndFdAndUnregistersBothOnStop) {
  FakeRunLoop loop;
  CountingListener listener;
  RunLoopClient* client = RunLoopClient::Create(&listener);
  ASSERT_TRUE(client->Start(&loop, 7, 40));
  EXPECT_EQ(loop.timers.size(), 1u);
  EXPECT_EQ(loop.events.size(), 1u);
  EXPECT_EQ(loop.lastFd, 7);
  EXPECT_EQ(loop.lastInterval, 40u);
  EXPECT_EQ(loop.refs, 2u);  // the client holds the loop while registered

  loop.FireTimers();
  loop.events[0]->onFDIsSet(7);
  EXPECT_EQ(listener.ticks, 1);
  EXPECT_EQ(listener.events, 1);
  EXPECT_EQ(listener.lastFd, 7);

  client->Stop();
  EXPECT_TRUE(loop.timers.empty());
  EXPECT_TRUE(loop.events.empty());
  EXPECT_EQ(loop.refs, 1u);
  client->Detach();
}

TEST(RunLoopClient, StopInsideItsOwnTimerIsDeferredUntilTheCallbackReturns) {
  FakeRunLoop loop;
  CountingListener listener;
  RunLoopClient* client = RunLoopClient::Create(&listener);
  listener.client = client;
  listener.stopInside = true;
  ASSERT_TRUE(client->Start(&loop, -1, 40));
  EXPECT_TRUE(loop.events.empty());  // no fd given: no event handler
  Linux::ITimerHandler* handler = loop.timers[0];
  handler->addRef();
  handler->onTimer();
  EXPECT_EQ(listener.ticks, 1);
  EXPECT_TRUE(loop.timers.empty());
  EXPECT_EQ(loop.timerUnregistrations, 1);
  // A stale call after the stop reaches nobody.
  handler->onTimer();
  EXPECT_EQ(listener.ticks, 1);
  handler->release();
  client->Detach();
}

TEST(RunLoopClient, RefusedTimerLeavesNothingRegistered) {
  FakeRunLoop loop;
  loop.refuseTimers = true;
  CountingListener listener;
  RunLoopClient* client = RunLoopClient::Create(&listener);
  EXPECT_FALSE(client->Start(&loop, 3, 40));
  EXPECT_FALSE(client->IsRunning());
  EXPECT_TRUE(loop.events.empty());
  EXPECT_FALSE(client->Start(nullptr, 3, 40));
  client->Detach();
}

TEST(RunLoopClient, AnswersOnlyItsInterfaces) {
  CountingListener listener;
  RunLoopClient* client = RunLoopClient::Create(&listener);
  void* obj = nullptr;
  EXPECT_EQ(client->queryInterface(Linux::ITimerHandler_iid, &obj), kResultOk);
  EXPECT_EQ(obj, static_cast<Linux::ITimerHandler*>(client));
  client->release();
  EXPECT_EQ(client->queryInterface(Linux::IEventHandler_iid, &obj), kResultOk);
  EXPECT_EQ(obj, static_cast<Linux::IEventHandler*>(client));
  client->release();
  EXPECT_EQ(client->queryInterface(Linux::IRunLoop_iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  client->Detach();
}
