#include "platform/headless/IGraphicsHeadless.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "editor/IValueReadout.h"
#include "framework/IEffectBase.h"
#include "raster/Pix_Blit.h"
#include "raster/Pix_MemBitmap.h"
#include "raster/Pix_PNG.h"
#include "raster/Pix_SysBitmap.h"

IGraphicsHeadless::IGraphicsHeadless(IEffectBase* plug, int w, int h, int fps, const char* resourceDir)
  : IGraphics(plug, w, h, fps), mResourceDir(resourceDir ? resourceDir : "")
{
  mScreen = new Pix_MemBitmap(w > 0 ? w : 0, h > 0 ? h : 0, 4);  // at 100 %: the panel size
  if (mScreen->getBits()) Pix_Clear(mScreen, 0);
}

IGraphicsHeadless::~IGraphicsHeadless()
{
  CloseWindow();
  delete mScreen;
}

// ----- Presenting -----

bool IGraphicsHeadless::DrawScreen(IRECT* r)
{
  if (!mWindowOpen || !mDrawBitmap) return false;
  IRECT whole(0, 0, mDrawBitmap->getWidth(), mDrawBitmap->getHeight());
  IRECT region = r ? r->Intersect(&whole) : whole;
  if (!region.Empty() && region.W() > 0 && region.H() > 0)
    Pix_Blit(mScreen, mDrawBitmap, region.L, region.T, region.L, region.T, region.W(), region.H(), 1.0f, 0);
  mLastRegion = r ? *r : whole;
  ++mPresentCount;
  return true;
}

bool IGraphicsHeadless::Tick()
{
  if (!mWindowOpen) return false;
  if (mPlug) mPlug->OnEditorTick();
  if (!mWindowOpen) return false;
  IRECT r;
  if (!IsDirty(&r)) return false;
  IRECT drawn = r;
  if (!r.Empty())
  {
    drawn.R += 1;
    drawn.B += 1;
  }
  Draw(&drawn);
  return true;
}

unsigned int IGraphicsHeadless::GetScreenPixel(int x, int y) const
{
  return Pix_GetPixel(mScreen, x, y);
}

bool IGraphicsHeadless::SaveScreenPNG(const char* path) const
{
  return Pix_SavePNG(mScreen, path);
}

void IGraphicsHeadless::Resize(int w, int h)
{
  if (w == mWidth && h == mHeight) return;
  ForceEndUserEdit();
  IGraphics::Resize(w, h);
  ScaleChanged();
}

void IGraphicsHeadless::ScaleChanged()
{
  const int w = WindowWidth(), h = WindowHeight();
  mScreen->resize(w > 0 ? w : 0, h > 0 ? h : 0);
  if (mScreen->getBits()) Pix_Clear(mScreen, 0);
}

// ----- Window -----

void* IGraphicsHeadless::OpenWindow(void* parentView)
{
  CloseWindow();
  BindUIThread();
  mWindowOpen = true;
  UpdateTooltips();
  return this;
}

void IGraphicsHeadless::CloseWindow()
{
  if (!mWindowOpen) return;
  CloseTextEntry();
  mTooltipAreas = 0;
  mWindowOpen = false;
  if (mReadout) mReadout->Reset();
}

void IGraphicsHeadless::HideMouseCursor()
{
  if (mCursorHidden) return;
  mCursorHidden = true;
  mHiddenMousePointX = mMouseX;
  mHiddenMousePointY = mMouseY;
}

void IGraphicsHeadless::ShowMouseCursor()
{
  mCursorHidden = false;
}

void IGraphicsHeadless::UpdateTooltips()
{
  mTooltipAreas = 0;
  if (!mWindowOpen || !mEnableTooltips) return;
  for (int i = 0, n = mControls.GetSize(); i < n; ++i)
  {
    IControl* c = mControls.Get(i);
    if (c && !c->IsHidden() && !c->GetTargetRECT()->Empty()) ++mTooltipAreas;
  }
}

// ----- Resources -----

Pix_IBitmap* IGraphicsHeadless::OSLoadBitmap(int id, const char* name)
{
  if (!name) return nullptr;
  const char* slash = strrchr(name, '/');
  const char* base = slash ? slash + 1 : name;
  const char* dot = strrchr(base, '.');
  const char* ext = dot ? dot + 1 : base;
  if (strcasecmp(ext, "png") != 0) return nullptr;
  std::string stem(base, dot ? static_cast<size_t>(dot - base) : strlen(base));
  if (stem.empty()) return nullptr;
  ++mLoadCount;
  mLoadedNames.push_back(name);
  std::string path = mResourceDir + "/" + stem + ".png";
  if (Pix_IBitmap* b = Pix_LoadPNG(path.c_str(), nullptr)) return b;
  // The name's parent folder inside the resource folder.
  if (!slash || slash == name) return nullptr;
  const char* parent = slash;
  while (parent > name && parent[-1] != '/') --parent;
  if (parent == slash) return nullptr;
  path = mResourceDir + "/" + std::string(parent, static_cast<size_t>(slash - parent)) + "/" + stem + ".png";
  return Pix_LoadPNG(path.c_str(), nullptr);
}

// ----- Menus -----

IPopupMenu* IGraphicsHeadless::CreateIPopupMenu(IPopupMenu* menu, IRECT* textRect)
{
  ReleaseMouseCapture();
  if (!mWindowOpen || !menu) return nullptr;

  MenuRecord rec;
  if (textRect) rec.mRect = *textRect;
  for (int i = 0; i < menu->GetNItems(); ++i)
  {
    char label[512];
    menu->GetItemLabel(i, label, sizeof(label));
    rec.mLabels.push_back(label);
    rec.mFlags.push_back(menu->GetItem(i)->GetFlags());
  }
  mMenus.push_back(rec);

  if (mMenuScript.empty()) return nullptr;
  MenuChoice choice = mMenuScript.front();
  mMenuScript.erase(mMenuScript.begin());

  IPopupMenuItem* item = menu->GetItem(choice.mItem);
  if (!item) return nullptr;
  IPopupMenu* target = menu;
  int idx = choice.mItem;
  if (item->GetSubmenu())
  {
    target = item->GetSubmenu();
    idx = choice.mSubItem;
    item = target->GetItem(idx);
    if (!item) return nullptr;
  }
  // Separators, submenu holders and disabled items cannot be chosen.
  if (item->GetIsSeparator() || item->GetSubmenu() || !item->GetEnabled()) return nullptr;
  target->SetChosenItemIdx(idx);
  return target;
}

// ----- Text entry -----

void IGraphicsHeadless::ScriptTextEntry(const char* typed, bool commit)
{
  mTextScript.push_back({typed ? typed : "", commit});
}

void IGraphicsHeadless::CreateTextEntry(IControl* control, IText* text, IRECT* textRect, const char* str,
                                        IParam* param)
{
  if (!mWindowOpen || !control || mTextEntryOpen)
  {
    ++mDroppedTextEntries;
    return;
  }
  mTextEntryOpen = true;
  mTextEntrySelected = true;
  mTextEntryText = str ? str : "";
  mTextEntryRect = textRect ? *textRect : IRECT();
  mTextEntryFilter = TextEntryFilterFor(control, param);
  mTextEntryControl = control;
  mTextEntryParam = param;

  if (!mTextScript.empty())
  {
    TextEntryScript script = mTextScript.front();
    mTextScript.erase(mTextScript.begin());
    TypeText(script.mTyped.c_str());
    if (script.mCommit) PressReturn();
    else ForceEndUserEdit();
  }
}

int IGraphicsHeadless::TypeText(const char* chars)
{
  if (!mTextEntryOpen || !chars) return 0;
  int refused = 0;
  for (const char* p = chars; *p; ++p)
  {
    // The initial text is selected: the first accepted keystroke replaces it.
    std::string candidate = mTextEntrySelected ? std::string() : mTextEntryText;
    candidate.push_back(*p);
    if (!mTextEntryFilter.Accepts(candidate.c_str()))
    {
      ++refused;
      continue;
    }
    mTextEntryText = candidate;
    mTextEntrySelected = false;
  }
  return refused;
}

void IGraphicsHeadless::PressReturn()
{
  if (!mTextEntryOpen) return;
  std::string text = mTextEntryText;
  IControl* control = mTextEntryControl;
  IParam* param = mTextEntryParam;
  // Closed first: what the text does may open another field.
  mTextEntryOpen = false;
  CloseTextEntry();
  TextEntryCommitted(control, param, text.c_str());
}

void IGraphicsHeadless::ForceEndUserEdit()
{
  CloseTextEntry();
}

void IGraphicsHeadless::CloseTextEntry()
{
  if (mTextEntryOpen) TextEntryCancelled(mTextEntryControl);
  mTextEntryOpen = false;
  mTextEntrySelected = false;
  mTextEntryText.clear();
  mTextEntryControl = nullptr;
  mTextEntryParam = nullptr;
}

void IGraphicsHeadless::PlatformMouseWheel(int x, int y, IMouseMod* mod, int d)
{
  ForceEndUserEdit();
  OnMouseWheel(x, y, mod, d);
}

void IGraphicsHeadless::PlatformMouseDrag(int x, int y, IMouseMod* mod)
{
  if (mTextEntryOpen) return;
  OnMouseDrag(x, y, mod);
}

// ----- Settings -----

int IGraphicsHeadless::LoadScalePreference()
{
  return mSavedScale;
}

bool IGraphicsHeadless::SaveScalePreference(int percent)
{
  if (!mCanSaveScale) return false;
  mSavedScale = percent;
  return true;
}

// ----- Dialogs, URLs, paths, clipboard -----

int IGraphicsHeadless::ShowMessageBox(const char* text, const char* caption, int type)
{
  mMessageBoxes.push_back({text ? text : "", caption ? caption : "", type});
  return mMessageBoxAnswer;
}

bool IGraphicsHeadless::OpenURL(const char* url, const char* msgWindowTitle, const char* confirmMsg,
                                const char* errMsgOnFailure)
{
  mURLs.push_back(url ? url : "");
  return mOpenURLResult;
}

void IGraphicsHeadless::PromptForFile(Core_String* file, EFileAction action, Core_String* dir, char* extensions)
{
  if (!file) return;
  if (!mWindowOpen || mFileScript.empty())
  {
    file->Set("", 0);
    return;
  }
  std::string chosen = mFileScript.front();
  mFileScript.erase(mFileScript.begin());
  file->Set(chosen.c_str(), 0);
  if (dir && !chosen.empty())
  {
    size_t slash = chosen.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : chosen.substr(0, slash);
    folder += "/";
    dir->Set(folder.c_str(), 0);
  }
}

void IGraphicsHeadless::HostPath(Core_String* path)
{
  // No host executable: the path is left unchanged.
}

void IGraphicsHeadless::PluginPath(Core_String* path)
{
  if (!path) return;
  std::string p = mResourceDir + "/";
  path->Set(p.c_str(), 0);
}

void IGraphicsHeadless::DesktopPath(Core_String* path)
{
  if (!path) return;
  const char* home = getenv("HOME");
  std::string p = std::string(home ? home : "") + "/Desktop";
  path->Set(p.c_str(), 0);
}

void IGraphicsHeadless::AppSupportPath(Core_String* path, bool isSystem)
{
  if (!path) return;
  if (isSystem)
  {
    path->Set("/usr/share", 0);
    return;
  }
  const char* home = getenv("HOME");
  std::string p = std::string(home ? home : "") + "/.local/share";
  path->Set(p.c_str(), 0);
}

void IGraphicsHeadless::SandboxSafeAppSupportPath(Core_String* path)
{
  if (!path) return;
  const char* home = getenv("HOME");
  std::string p = std::string(home ? home : "") + "/Music";
  path->Set(p.c_str(), 0);
}

bool IGraphicsHeadless::GetTextFromClipboard(Core_String* str)
{
  if (!str) return false;
  str->Set(mClipboard.c_str(), 0);
  return !mClipboard.empty();
}
