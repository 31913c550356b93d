#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair
#include "vst3/support/TestHost.h"
#include "vst3/IEditorSnapshot.h"
#include "vst3/IEffectVST3View.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "editor/IControl.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "platform/headless/IGraphicsHeadless.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

const int kEditorW = 120, kEditorH = 80;

// The effect, recording the editor notifications of the base into a shared log.
class ViewEffect : public TestEffect
{
public:
  explicit ViewEffect(std::vector<std::string>* log) : mLog(log) {}
  void OnGUIOpen() override { mLog->push_back("gui-open"); }
  void OnGUIClose() override { mLog->push_back("gui-close"); }
  void OnWindowResize() override { mLog->push_back("window-resize"); }

private:
  std::vector<std::string>* mLog;
};

// The headless editor, recording window and run-loop calls into the same log.
class RecordingEditor : public IGraphicsHeadless
{
public:
  RecordingEditor(IEffectBase* plug, std::vector<std::string>* log)
      : IGraphicsHeadless(plug, kEditorW, kEditorH, 0, ""), mLog(log)
  {
  }
  void SetHostRunLoop(void* runLoop) override
  {
    mRunLoop = runLoop;
    mLog->push_back(runLoop ? "run-loop" : "run-loop-null");
  }
  void* OpenWindow(void* parent) override
  {
    mParent = parent;
    if (mFailOpen)
    {
      // A window system that gives up half way: something is left to close.
      IGraphicsHeadless::OpenWindow(parent);
      mLog->push_back("open-failed");
      return nullptr;
    }
    void* window = IGraphicsHeadless::OpenWindow(parent);
    mLog->push_back("open");
    return window;
  }
  void* OpenWindow(void* parent, void* control, short left, short top) override
  {
    mParent = parent;
    mLog->push_back("open-window-and-control");
    return nullptr;
  }
  void CloseWindow() override
  {
    if (GetWindow()) mLog->push_back("close");
    IGraphicsHeadless::CloseWindow();
  }

  void* mRunLoop = nullptr;
  void* mParent = nullptr;
  bool mFailOpen = false;

private:
  std::vector<std::string>* mLog;
};

// Fills its rectangle with a grey whose level is the control's value: what is drawn
// shows which value the control holds.
class LevelControl : public IControl
{
public:
  LevelControl(IEffectBase* plug, IRECT rect, int paramIdx) : IControl(plug, rect, paramIdx) {}
  bool Draw(IGraphics* g) override
  {
    const int level = (int)(GetValue() * 255.0 + 0.5);
    IColor color(255, level, level, level);
    return g->FillIRect(&color, &mRECT);
  }
};

class FakeRunLoop : public Linux::IRunLoop
{
public:
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler*, Linux::FileDescriptor) override
  {
    return kResultOk;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler*) override { return kResultOk; }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler*, Linux::TimerInterval) override
  {
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler*) override { return kResultOk; }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid))
    {
      addRef();
      *obj = this;
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return (uint32)++mRefs; }
  uint32 PLUGIN_API release() override { return (uint32)--mRefs; }

  int mRefs = 1;  // the test's own
};

// A host frame, optionally offering a run loop; resizeView answers with the view's onSize
// (as hosts do) unless told not to.
class FakeFrame : public IPlugFrame
{
public:
  explicit FakeFrame(FakeRunLoop* loop = nullptr) : mLoop(loop) {}
  tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
  {
    ++mResizes;
    mView = view;
    mSize = *newSize;
    if (mAnswer) view->onSize(newSize);
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (mLoop && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
      return mLoop->queryInterface(iid, obj);
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid))
    {
      *obj = this;
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

  FakeRunLoop* mLoop;
  bool mAnswer = true;
  int mResizes = 0;
  IPlugView* mView = nullptr;
  ViewRect mSize;
};

class FakeContextMenu : public IContextMenu
{
public:
  ~FakeContextMenu() { Clear(); }
  // Items the host put in itself (before the plug-in adds its own).
  int mHostItems = 0;
  struct Added
  {
    Item item;
    IContextMenuTarget* target;  // referenced until Clear()
  };
  std::vector<Added> mAdded;
  void Clear()
  {
    for (Added& a : mAdded)
      if (a.target) a.target->release();
    mAdded.clear();
  }
  std::string Name(size_t i) const
  {
    std::string s;
    for (const TChar* c = mAdded[i].item.name; *c; ++c) s += *c < 0x80 ? (char)*c : '~';
    return s;
  }

  int32 PLUGIN_API getItemCount() override { return mHostItems + (int32)mAdded.size(); }
  tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
  tresult PLUGIN_API addItem(const Item& item, IContextMenuTarget* target) override
  {
    if (target) target->addRef();
    mAdded.push_back({item, target});
    return kResultOk;
  }
  tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API popup(UCoord x, UCoord y) override
  {
    ++mPopups;
    mX = x;
    mY = y;
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID, void** obj) override
  {
    *obj = nullptr;
    return kNoInterface;
  }
  uint32 PLUGIN_API addRef() override { return (uint32)++mRefs; }
  uint32 PLUGIN_API release() override { return (uint32)--mRefs; }

  int mRefs = 0;
  int mPopups = 0;
  UCoord mX = -1, mY = -1;
};

// A component handler that also offers IComponentHandler3 and hands out one menu.
class MenuHandler : public TestComponentHandler, public IComponentHandler3
{
public:
  IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* paramID) override
  {
    ++mMenus;
    mView = view;
    mParam = paramID ? (int64)*paramID : -1;
    if (!mGiveMenu) return nullptr;
    mMenu.addRef();  // the caller's reference
    return &mMenu;
  }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (FUnknownPrivate::iidEqual(iid, IComponentHandler3::iid))
    {
      *obj = static_cast<IComponentHandler3*>(this);
      return kResultOk;
    }
    return TestComponentHandler::queryInterface(iid, obj);
  }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

  FakeContextMenu mMenu;
  bool mGiveMenu = true;
  int mMenus = 0;
  IPlugView* mView = nullptr;
  int64 mParam = -2;
};

class ViewTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mPlug = new ViewEffect(&mLog);
    ASSERT_EQ(mPlug->initialize(&mHost), kResultOk);
  }
  void TearDown() override
  {
    if (mPlug)
    {
      mPlug->terminate();
      mPlug->release();
    }
  }
  // Attaches a recording editor with a background panel and a control bound to "Gain".
  void AttachEditor()
  {
    mEditor = new RecordingEditor(mPlug, &mLog);
    IColor bg(255, 10, 20, 30);
    mEditor->AttachPanelBackground(&bg);
    mEditor->AttachControl(new LevelControl(mPlug, IRECT(10, 10, 50, 40), TestEffect::kGain));
    mPlug->AttachGraphics(mEditor);
    mLog.clear();
  }
  IEffectVST3View* CreateView()
  {
    IPlugView* view = mPlug->createView(ViewType::kEditor);
    return static_cast<IEffectVST3View*>(view);
  }
  int PlugRefs() { return mPlug->getRefCount(); }

  NamedHostApplication mHost{"Host"};
  std::vector<std::string> mLog;
  ViewEffect* mPlug = nullptr;
  RecordingEditor* mEditor = nullptr;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(ViewTest, OnlyTheEditorNameMakesAView)
{
  AttachEditor();
  EXPECT_EQ(mPlug->createView("Editor"), nullptr);
  EXPECT_EQ(mPlug->createView(""), nullptr);
  EXPECT_EQ(mPlug->createView(nullptr), nullptr);
  EXPECT_EQ(mPlug->NViews(), 0);

  IPlugView* view = mPlug->createView("editor");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(mPlug->NViews(), 1);
  EXPECT_EQ(static_cast<IPlugView*>(mPlug->GetView(0)), view);
  // The host receives a working IPlugView.
  IPlugView* again = nullptr;
  ASSERT_EQ(view->queryInterface(IPlugView::iid, (void**)&again), kResultOk);
  EXPECT_EQ(again, view);
  again->release();
  EXPECT_EQ(view->canResize(), kResultFalse);
  EXPECT_EQ(view->release(), 0u);
  EXPECT_EQ(mPlug->NViews(), 0);
}

TEST_F(ViewTest, ViewKeepsTheAdapterAliveUntilDestroyed)
{
  const int instances = TestEffect::sInstances;
  const int refs = PlugRefs();
  IEffectVST3View* view = CreateView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(PlugRefs(), refs + 1);

  // The host lets go of the plug-in first: the view still holds it.
  mPlug->terminate();
  mPlug->release();
  EXPECT_EQ(TestEffect::sInstances, instances);
  EXPECT_EQ(view->GetPlug()->NViews(), 1);
  view->release();
  EXPECT_EQ(TestEffect::sInstances, instances - 1);
  mPlug = nullptr;
}

TEST_F(ViewTest, PlatformTypesAndSize)
{
  AttachEditor();
  IEffectVST3View* view = CreateView();
  // On Linux the editor opens in an X11 window only.
  EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
  for (const char* type : {"NSView", "HIView", "HWND", "x11embedwindowid", "UIView", ""})
  {
    EXPECT_EQ(view->isPlatformTypeSupported(type), kResultFalse) << type;
    EXPECT_EQ(view->attached((void*)0x55, type), kResultFalse) << type;
  }
  EXPECT_TRUE(mLog.empty());  // nothing opened
  EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);

  ViewRect r(5, 6, 7, 8);
  ASSERT_EQ(view->getSize(&r), kResultOk);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, kEditorW);
  EXPECT_EQ(r.bottom, kEditorH);
  EXPECT_NE(view->getSize(nullptr), kResultOk);
  view->release();
}

TEST_F(ViewTest, WithoutAnEditorEveryQueryDeclines)
{
  IEffectVST3View* view = CreateView();
  ASSERT_NE(view, nullptr);
  for (const char* type : {"X11EmbedWindowID", "NSView", "HIView", "HWND"})
    EXPECT_EQ(view->isPlatformTypeSupported(type), kResultFalse) << type;
  ViewRect r(1, 2, 3, 4);
  EXPECT_EQ(view->getSize(&r), kResultFalse);
  EXPECT_EQ(r.right, 3);
  FakeRunLoop loop;
  FakeFrame frame(&loop);
  view->setFrame(&frame);
  EXPECT_EQ(view->attached((void*)0x1234, "X11EmbedWindowID"), kResultFalse);
  EXPECT_EQ(loop.mRefs, 1);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_TRUE(mLog.empty());

  // Nothing to resize and no editor to snapshot either.
  mPlug->ResizeGraphics(200, 100);
  EXPECT_EQ(frame.mResizes, 0);
  IEditorSnapshot* snapshot = nullptr;
  ASSERT_EQ(mPlug->queryInterface(IEditorSnapshot::iid, (void**)&snapshot), kResultOk);
  const std::string path = ::testing::TempDir() + "view_no_editor.png";
  EXPECT_EQ(snapshot->saveEditorSnapshot(path.c_str()), kResultFalse);
  EXPECT_NE(access(path.c_str(), F_OK), 0);
  snapshot->release();
  view->release();
}

TEST_F(ViewTest, AttachHandsTheHostRunLoopToTheEditorUntilRemoved)
{
  AttachEditor();
  FakeRunLoop loop;
  FakeFrame frame(&loop);
  IEffectVST3View* view = CreateView();
  view->setFrame(&frame);

  void* parent = (void*)(uintptr_t)0x3a00007;  // an X11 window ID
  ASSERT_EQ(view->attached(parent, "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(mLog, (Log{"run-loop", "open", "gui-open"}));
  EXPECT_EQ(mEditor->mRunLoop, static_cast<void*>(static_cast<Linux::IRunLoop*>(&loop)));
  EXPECT_EQ(mEditor->mParent, parent);
  EXPECT_TRUE(mEditor->WindowIsOpen());
  EXPECT_EQ(loop.mRefs, 2);

  mLog.clear();
  ASSERT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(mLog, (Log{"gui-close", "close", "run-loop-null"}));
  EXPECT_FALSE(mEditor->WindowIsOpen());
  EXPECT_EQ(mEditor->mRunLoop, nullptr);
  EXPECT_EQ(loop.mRefs, 1);

  // Opening again queries the loop again; the views's release leaves no reference behind.
  ASSERT_EQ(view->attached(parent, "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(loop.mRefs, 2);
  EXPECT_EQ(view->removed(), kResultOk);
  view->release();
  EXPECT_EQ(loop.mRefs, 1);
}

TEST_F(ViewTest, AttachWithoutRunLoopOrFrameGivesTheEditorNull)
{
  AttachEditor();
  FakeFrame frame;  // offers no run loop
  IEffectVST3View* view = CreateView();
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(mLog, (Log{"run-loop-null", "open", "gui-open"}));
  EXPECT_EQ(view->removed(), kResultOk);

  // No frame at all.
  IEffectVST3View* other = CreateView();
  mLog.clear();
  ASSERT_EQ(other->attached((void*)0x55, "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(mLog, (Log{"run-loop-null", "open", "gui-open"}));
  EXPECT_EQ(mEditor->mParent, (void*)0x55);
  mLog.clear();
  EXPECT_EQ(other->removed(), kResultOk);
  EXPECT_EQ(mLog, (Log{"gui-close", "close", "run-loop-null"}));
  other->release();
  view->release();
}

TEST_F(ViewTest, AWindowThatCannotOpenLeavesNothingOpen)
{
  AttachEditor();
  FakeRunLoop loop;
  FakeFrame frame(&loop);
  IEffectVST3View* view = CreateView();
  view->setFrame(&frame);
  mEditor->mFailOpen = true;
  EXPECT_EQ(view->attached((void*)0x77, "X11EmbedWindowID"), kResultFalse);
  // The half-open window is closed, the loop given back, the base never told of an editor.
  EXPECT_EQ(mLog, (Log{"run-loop", "open-failed", "close", "run-loop-null"}));
  EXPECT_FALSE(mEditor->WindowIsOpen());
  EXPECT_EQ(mEditor->mRunLoop, nullptr);
  EXPECT_EQ(loop.mRefs, 1);
  mLog.clear();
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_TRUE(mLog.empty());

  // The next attempt works as usual.
  mEditor->mFailOpen = false;
  ASSERT_EQ(view->attached((void*)0x77, "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(mLog, (Log{"run-loop", "open", "gui-open"}));
  view->removed();
  view->release();
}

TEST_F(ViewTest, ReleasingAnAttachedViewClosesTheEditorAndTheLoop)
{
  AttachEditor();
  FakeRunLoop loop;
  FakeFrame frame(&loop);
  IEffectVST3View* view = CreateView();
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  mLog.clear();
  view->release();
  EXPECT_EQ(mLog, (Log{"gui-close", "close", "run-loop-null"}));
  EXPECT_EQ(loop.mRefs, 1);
  EXPECT_EQ(mEditor->mRunLoop, nullptr);
  EXPECT_EQ(mPlug->NViews(), 0);
}

TEST_F(ViewTest, OnlyAPlugInResizeRequestReachesOnWindowResize)
{
  AttachEditor();
  FakeFrame frame;
  frame.mAnswer = false;
  IEffectVST3View* view = CreateView();
  view->setFrame(&frame);
  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  mLog.clear();

  // Host-initiated: the rectangle is stored, the plug-in hears nothing.
  ViewRect hostRect(0, 0, 300, 200);
  EXPECT_EQ(view->onSize(&hostRect), kResultOk);
  EXPECT_EQ(view->getRect().right, 300);
  EXPECT_EQ(view->onSize(nullptr), kResultOk);
  EXPECT_TRUE(mLog.empty());

  // Plug-in initiated: the frame is asked, the next onSize is the answer, once.
  mPlug->ResizeGraphics(140, 90);
  EXPECT_EQ(frame.mResizes, 1);
  EXPECT_EQ(frame.mView, static_cast<IPlugView*>(view));
  EXPECT_EQ(frame.mSize.left, 0);
  EXPECT_EQ(frame.mSize.top, 0);
  EXPECT_EQ(frame.mSize.right, 140);
  EXPECT_EQ(frame.mSize.bottom, 90);
  EXPECT_TRUE(view->ExpectingNewSize());
  ViewRect answer(0, 0, 140, 90);
  EXPECT_EQ(view->onSize(&answer), kResultOk);
  EXPECT_EQ(view->onSize(&answer), kResultOk);
  EXPECT_EQ(mLog, (Log{"window-resize"}));

  // A host that answers inside resizeView.
  frame.mAnswer = true;
  mLog.clear();
  view->resize(150, 95);
  EXPECT_EQ(mLog, (Log{"window-resize"}));
  EXPECT_EQ(view->getRect().right, 150);
  EXPECT_FALSE(view->ExpectingNewSize());

  view->removed();
  view->release();
}

TEST_F(ViewTest, DestroyingAViewRemovesOnlyThatView)
{
  AttachEditor();
  IEffectVST3View* first = CreateView();
  IEffectVST3View* second = CreateView();
  IEffectVST3View* third = CreateView();
  ASSERT_EQ(mPlug->NViews(), 3);
  EXPECT_EQ(mPlug->GetView(0), first);
  EXPECT_EQ(mPlug->GetView(1), second);
  second->release();
  ASSERT_EQ(mPlug->NViews(), 2);
  EXPECT_EQ(mPlug->GetView(0), first);
  EXPECT_EQ(mPlug->GetView(1), third);
  // The first view still takes the plug-in's resize requests.
  FakeFrame frame;
  first->setFrame(&frame);
  mPlug->ResizeGraphics(100, 50);
  EXPECT_EQ(frame.mResizes, 1);
  first->release();
  ASSERT_EQ(mPlug->NViews(), 1);
  EXPECT_EQ(mPlug->GetView(0), third);
  third->release();
  EXPECT_EQ(mPlug->NViews(), 0);
}

TEST_F(ViewTest, ContextMenuForAParameterComesFromTheHost)
{
  AttachEditor();
  MenuHandler handler;
  ASSERT_EQ(mPlug->setComponentHandler(&handler), kResultTrue);

  // No view yet: the host is not asked.
  mPlug->PopupHostContextMenuForParam(TestEffect::kGain, 3, 4);
  EXPECT_EQ(handler.mMenus, 0);

  IEffectVST3View* view = CreateView();
  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  // A right click on the control bound to "Gain" asks the host for its menu there.
  IMouseMod right(false, true);
  mEditor->OnMouseDown(20, 30, &right);
  EXPECT_EQ(handler.mMenus, 1);
  EXPECT_EQ(handler.mView, static_cast<IPlugView*>(view));
  EXPECT_EQ(handler.mParam, (int64)TestEffect::kGain);
  EXPECT_EQ(handler.mMenu.mPopups, 1);
  EXPECT_EQ(handler.mMenu.mX, 20);
  EXPECT_EQ(handler.mMenu.mY, 30);
  EXPECT_EQ(handler.mMenu.mRefs, 0);  // released after the popup
  // No edit gesture: the release after the menu sends no end without a begin.
  mEditor->OnMouseUp(20, 30, &right);
  EXPECT_TRUE(handler.mCalls.empty());

  // A host that makes no menu.
  handler.mGiveMenu = false;
  mPlug->PopupHostContextMenuForParam(TestEffect::kMode, 1, 1);
  EXPECT_EQ(handler.mMenus, 2);
  EXPECT_EQ(handler.mMenu.mPopups, 1);

  // A handler without IComponentHandler3.
  TestComponentHandler plain;
  ASSERT_EQ(mPlug->setComponentHandler(&plain), kResultTrue);
  mPlug->PopupHostContextMenuForParam(TestEffect::kGain, 1, 1);
  EXPECT_EQ(handler.mMenus, 2);

  view->removed();
  view->release();
  mPlug->setComponentHandler(nullptr);  // the handlers live on this stack
}

TEST_F(ViewTest, SnapshotWritesTheEditorSurface)
{
  AttachEditor();
  IEditorSnapshot* snapshot = nullptr;
  const int refs = PlugRefs();
  ASSERT_EQ(mPlug->queryInterface(IEditorSnapshot::iid, (void**)&snapshot), kResultOk);
  ASSERT_NE(snapshot, nullptr);
  EXPECT_EQ(PlugRefs(), refs + 1);

  // A value handed over from another thread is still pending for the editor; the snapshot
  // shows it although no window is open and nothing has ticked.
  std::thread audio([this] { mEditor->SetParameterFromPlug(TestEffect::kGain, 1.0, true); });
  audio.join();
  EXPECT_FALSE(mEditor->WindowIsOpen());

  const std::string path = ::testing::TempDir() + "view_snapshot.png";
  std::remove(path.c_str());
  ASSERT_EQ(snapshot->saveEditorSnapshot(path.c_str()), kResultOk);

  std::unique_ptr<Pix_IBitmap> png(Pix_LoadPNG(path.c_str()));
  ASSERT_NE(png, nullptr);
  Pix_SysBitmap* surface = mEditor->GetDrawBitmap();
  ASSERT_EQ(png->getWidth(), kEditorW);
  ASSERT_EQ(png->getHeight(), kEditorH);
  int mismatches = 0;
  for (int y = 0; y < kEditorH; ++y)
    for (int x = 0; x < kEditorW; ++x)
      if (png->getBits()[y * png->getRowSpan() + x] != surface->getBits()[y * surface->getRowSpan() + x])
        ++mismatches;
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(png->getBits()[0], 0xFF0A141Eu);                          // background
  EXPECT_EQ(png->getBits()[20 * png->getRowSpan() + 20], 0xFFFFFFFFu);  // "Gain" at 1.0
  std::remove(path.c_str());

  // The snapshot drew everything; the closed window still gets a full first draw.
  mEditor->OpenWindow(nullptr);
  EXPECT_TRUE(mEditor->Tick());
  EXPECT_EQ(*mEditor->LastPresentedRegion(), IRECT(0, 0, kEditorW + 1, kEditorH + 1));
  mEditor->CloseWindow();

  // A file that cannot be written.
  const std::string bad = ::testing::TempDir() + "no-such-folder/view_snapshot.png";
  EXPECT_EQ(snapshot->saveEditorSnapshot(bad.c_str()), kResultFalse);
  EXPECT_EQ(snapshot->saveEditorSnapshot(""), kResultFalse);
  EXPECT_EQ(snapshot->saveEditorSnapshot(nullptr), kResultFalse);

  // The interface leads back to the plug-in object.
  IEditController* controller = nullptr;
  ASSERT_EQ(snapshot->queryInterface(IEditController::iid, (void**)&controller), kResultOk);
  EXPECT_EQ(controller, static_cast<IEditController*>(mPlug));
  controller->release();
  snapshot->release();
  EXPECT_EQ(PlugRefs(), refs);
}

// The host's menu for a parameter carries Tesk's "Enter value…" and "Reset to default" after
// the host's own items; the targets act later on the UI thread, even after the menu is gone.
TEST_F(ViewTest, TheHostsParameterMenuGetsEnterValueAndResetToDefault)
{
  AttachEditor();
  MenuHandler handler;
  ASSERT_EQ(mPlug->setComponentHandler(&handler), kResultTrue);
  IEffectVST3View* view = CreateView();
  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);

  handler.mMenu.mHostItems = 2;  // "Show automation", "MIDI learn", ...
  IMouseMod right(false, true);
  mEditor->OnMouseDown(20, 30, &right);
  ASSERT_EQ(handler.mMenu.mPopups, 1);
  ASSERT_EQ(handler.mMenu.mAdded.size(), 3u);
  EXPECT_EQ(handler.mMenu.mAdded[0].item.flags, (int32)IContextMenuItem::kIsSeparator);
  EXPECT_EQ(handler.mMenu.Name(1), "Enter value~");
  EXPECT_EQ(handler.mMenu.mAdded[1].item.name[11], (TChar)0x2026);  // the ellipsis
  EXPECT_EQ(handler.mMenu.Name(2), "Reset to default");
  EXPECT_EQ(handler.mMenu.mAdded[1].item.flags, 0);
  IContextMenuTarget* target = handler.mMenu.mAdded[1].target;
  ASSERT_NE(target, nullptr);
  target->addRef();
  const int refs = PlugRefs();
  handler.mMenu.Clear();  // the host drops its menu; the target keeps the plug-in alive
  EXPECT_EQ(PlugRefs(), refs);

  // "Enter value…": the editor's field over the parameter's control; Return applies it as
  // one gesture.
  mEditor->ScriptTextEntry("6 dB");
  EXPECT_EQ(target->executeMenuItem(1), kResultOk);
  ASSERT_EQ(handler.mCalls.size(), 3u);
  EXPECT_EQ(handler.mCalls[0].kind, 'b');
  EXPECT_EQ(handler.mCalls[1].kind, 'p');
  EXPECT_DOUBLE_EQ(handler.mCalls[1].value, 0.75);  // 6 dB of -12 ... +12
  EXPECT_EQ(handler.mCalls[2].kind, 'e');
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 6.0);
  handler.mCalls.clear();

  // "Reset to default".
  EXPECT_EQ(target->executeMenuItem(2), kResultOk);
  ASSERT_EQ(handler.mCalls.size(), 3u);
  EXPECT_DOUBLE_EQ(handler.mCalls[1].value, 0.5);
  EXPECT_DOUBLE_EQ(mPlug->GetParam(TestEffect::kGain)->GetValue(), 0.0);
  EXPECT_EQ(target->executeMenuItem(77), kResultFalse);

  // A host without items of its own gets no separator.
  handler.mMenu.mHostItems = 0;
  mEditor->OnMouseDown(20, 30, &right);
  ASSERT_EQ(handler.mMenu.mAdded.size(), 2u);
  EXPECT_EQ(handler.mMenu.mAdded[0].item.tag, 1);
  EXPECT_EQ(handler.mMenu.mAdded[1].item.tag, 2);
  handler.mMenu.Clear();

  view->removed();
  view->release();
  target->release();
  mPlug->setComponentHandler(nullptr);
}

// The view reports the window's size at the editor's scale, which follows the host's content
// scale factor (the user's own choice comes first: EditorScale tests); a change while open asks
// the host to resize the view.
TEST_F(ViewTest, TheSizeFollowsTheHostsScale)
{
  AttachEditor();
  IEffectVST3View* view = CreateView();
  IPlugViewContentScaleSupport* scale = nullptr;
  ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid, (void**)&scale), kResultOk);
  FakeFrame frame;
  view->setFrame(&frame);
  ViewRect size;
  EXPECT_EQ(scale->setContentScaleFactor(1.4f), kResultOk);
  ASSERT_EQ(view->getSize(&size), kResultOk);
  EXPECT_EQ(size.left + size.top, 0);
  EXPECT_EQ(size.right, kEditorW * 3 / 2);
  EXPECT_EQ(size.bottom, kEditorH * 3 / 2);
  EXPECT_EQ(frame.mResizes, 0);  // not open: the host asks the size when it opens the view
  EXPECT_EQ(scale->setContentScaleFactor(0.0f), kResultFalse);

  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(scale->setContentScaleFactor(2.0f), kResultOk);
  EXPECT_EQ(frame.mResizes, 1);
  EXPECT_EQ(frame.mSize.right, 2 * kEditorW);
  EXPECT_EQ(frame.mSize.bottom, 2 * kEditorH);
  view->removed();
  scale->release();
  view->release();
}

// The open editor's ticks give the adapter the UI thread to tell the host what the audio
// thread could not (here a latency change made while processing).
TEST_F(ViewTest, EditorTicksDeliverDeferredHostNotifications)
{
  AttachEditor();
  TestComponentHandler handler;
  ASSERT_EQ(mPlug->setComponentHandler(&handler), kResultTrue);
  IEffectVST3View* view = CreateView();
  ASSERT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  mEditor->Tick();
  handler.mRestarts.clear();

  std::thread audio([this] { mPlug->SetLatency(mPlug->GetLatency() + 5); });
  audio.join();
  EXPECT_TRUE(handler.mRestarts.empty());  // nothing from the audio thread
  mEditor->Tick();
  ASSERT_EQ(handler.mRestarts.size(), 1u);
  EXPECT_EQ(handler.mRestarts[0], (int32)kLatencyChanged);
  mEditor->Tick();
  EXPECT_EQ(handler.mRestarts.size(), 1u);  // once

  // While a block holds the instance's mutex, a tick does not wait for it: the next one tells.
  std::atomic<bool> holding{false}, done{false};
  std::thread block([&] {
    Core_MutexLock lock(mPlug->GetMutex());
    mPlug->SetLatency(mPlug->GetLatency() + 1);
    holding = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  });
  while (!holding) std::this_thread::yield();
  mEditor->Tick();
  EXPECT_EQ(handler.mRestarts.size(), 1u);
  done = true;
  block.join();
  mEditor->Tick();
  EXPECT_EQ(handler.mRestarts.size(), 2u);

  view->removed();
  view->release();
  mPlug->setComponentHandler(nullptr);
}

TEST_F(ViewTest, SnapshotsAtAScaleAndBack)
{
  AttachEditor();
  IEditorSnapshot2* snapshot = nullptr;
  ASSERT_EQ(mPlug->queryInterface(IEditorSnapshot2::iid, (void**)&snapshot), kResultOk);
  const std::string path = ::testing::TempDir() + "view_snapshot_2x.png";
  ASSERT_EQ(snapshot->saveEditorSnapshotAtScale(path.c_str(), 180), kResultOk);  // the nearest: 200
  std::unique_ptr<Pix_IBitmap> png(Pix_LoadPNG(path.c_str()));
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->getWidth(), 2 * kEditorW);
  EXPECT_EQ(png->getHeight(), 2 * kEditorH);
  EXPECT_EQ(mEditor->GetScalePercent(), 100);  // the editor's own scale is back
  std::remove(path.c_str());
  snapshot->release();
}
