#pragma once

#include <string>
#include <vector>

#include "core/Core_String.h"
#include "editor/IGraphics.h"
#include "editor/ITextEntryFilter.h"

class Pix_MemBitmap;

// The editor platform without a window, for tests and tools. The caller drives the repaint
// tick (Tick), answers menus, text fields, file dialogs and message boxes through a script
// set beforehand, and reads what was presented: DrawScreen copies the redrawn region of the
// draw surface into a persistent "screen" bitmap (what a real window would show, at the
// editor's scale: WindowWidth() x WindowHeight()), which can be saved as a PNG. OSLoadBitmap
// finds "<resource folder>/<stem>.png", where stem is the last path component of the requested
// name without its extension, or else "<resource folder>/<parent>/<stem>.png" with the name's
// parent folder (so "img/2x/BG@2x.png" is also found in "<resource folder>/2x/").
//
// Everything runs on the caller's (UI) thread, except SetParameterFromPlug (see IGraphics).
class IGraphicsHeadless : public IGraphics
{
public:
  // One scripted menu answer: the item of the top menu, and for an item with a submenu the
  // item of that submenu. item -1 closes the menu without a choice.
  struct MenuChoice
  {
    int mItem = -1;
    int mSubItem = -1;
  };

  // What a presented menu looked like (the model is destroyed after the prompt).
  struct MenuRecord
  {
    IRECT mRect;
    std::vector<std::string> mLabels;  // as shown, prefixes included
    std::vector<int> mFlags;
  };

  struct MessageBoxRecord
  {
    std::string mText, mCaption;
    int mType;
  };

  IGraphicsHeadless(IEffectBase* plug, int w, int h, int fps, const char* resourceDir);
  ~IGraphicsHeadless() override;

  // --- Platform operations ---
  bool DrawScreen(IRECT* r) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  const char* GetGUIAPI() override { return "Headless"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* textRect) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* textRect, const char* str, IParam* param) override;
  void HostPath(Core_String* path) override;
  void PluginPath(Core_String* path) override;
  void DesktopPath(Core_String* path) override;
  void AppSupportPath(Core_String* path, bool isSystem = false) override;
  void SandboxSafeAppSupportPath(Core_String* path) override;
  void PromptForFile(Core_String* file, EFileAction action = kFileOpen, Core_String* dir = nullptr,
                     char* extensions = nullptr) override;
  bool PromptForColor(IColor* color, char* prompt = nullptr) override { return false; }
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  void* OpenWindow(void* parentView) override;
  using IGraphics::OpenWindow;
  void CloseWindow() override;
  void* GetWindow() override { return mWindowOpen ? this : nullptr; }
  bool GetTextFromClipboard(Core_String* str) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void UpdateTooltips() override;
  Pix_IBitmap* OSLoadBitmap(int id, const char* name) override;
  // The screen follows the new window size (cleared; the next tick draws everything).
  void ScaleChanged() override;
  // The user's scale preference lives in memory (SetSavedScale); saving fails after
  // SetCanSaveScale(false).
  int LoadScalePreference() override;
  bool SaveScalePreference(int percent) override;

  // --- The repaint tick: the plug-in's OnEditorTick, IsDirty, then Draw of the region grown
  // by one pixel to the right and bottom (as a windowing system hands it back). Does nothing
  // while the window is closed. Returns whether anything was drawn.
  bool Tick();

  // --- Platform-side event translation (window coordinates) ---
  // The wheel closes an open text field without applying it, then scrolls.
  void PlatformMouseWheel(int x, int y, IMouseMod* mod, int d);
  // Drags are ignored while a text field is open.
  void PlatformMouseDrag(int x, int y, IMouseMod* mod);

  // --- Scripts ---
  void ScriptMenuChoice(int item, int subItem = -1) { mMenuScript.push_back({item, subItem}); }
  // The next text field: typed replaces the initial text character by character through the
  // field's filter; commit ends with Return (applies), else the field is cancelled.
  void ScriptTextEntry(const char* typed, bool commit = true);
  void ScriptFileChoice(const char* path) { mFileScript.push_back(path ? path : ""); }
  void SetMessageBoxAnswer(int answer) { mMessageBoxAnswer = answer; }
  void SetOpenURLResult(bool ok) { mOpenURLResult = ok; }
  void SetClipboardText(const char* text) { mClipboard = text ? text : ""; }
  void SetSavedScale(int percent) { mSavedScale = percent; }
  int GetSavedScale() const { return mSavedScale; }
  void SetCanSaveScale(bool can) { mCanSaveScale = can; }

  // --- The open text field ---
  bool TextEntryOpen() const { return mTextEntryOpen; }
  const char* GetTextEntryText() const { return mTextEntryText.c_str(); }
  const IRECT* GetTextEntryRect() const { return &mTextEntryRect; }
  const ITextEntryFilter* GetTextEntryFilter() const { return &mTextEntryFilter; }
  IControl* GetTextEntryControl() const { return mTextEntryControl; }
  // Types characters into the open field; returns how many the filter refused.
  int TypeText(const char* chars);
  // Return: applies the text and closes the field.
  void PressReturn();

  // --- What happened ---
  int PresentCount() const { return mPresentCount; }
  const IRECT* LastPresentedRegion() const { return &mLastRegion; }
  Pix_MemBitmap* GetScreen() { return mScreen; }
  // The presented pixel 0xAARRGGBB at window pixel (x, y), or 0 outside the screen.
  unsigned int GetScreenPixel(int x, int y) const;
  bool SaveScreenPNG(const char* path) const;
  const std::vector<MenuRecord>& Menus() const { return mMenus; }
  int DroppedTextEntries() const { return mDroppedTextEntries; }
  const std::vector<std::string>& OpenedURLs() const { return mURLs; }
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return mMessageBoxes; }
  int TooltipAreas() const { return mTooltipAreas; }
  int LoadCount() const { return mLoadCount; }
  // The names OSLoadBitmap was asked for, in order.
  const std::vector<std::string>& LoadedNames() const { return mLoadedNames; }

private:
  struct TextEntryScript
  {
    std::string mTyped;
    bool mCommit;
  };

  void CloseTextEntry();

  std::string mResourceDir;
  bool mWindowOpen = false;
  Pix_MemBitmap* mScreen = nullptr;
  IRECT mLastRegion;
  int mPresentCount = 0;
  int mLoadCount = 0;
  std::vector<std::string> mLoadedNames;

  std::vector<MenuChoice> mMenuScript;
  std::vector<MenuRecord> mMenus;
  std::vector<TextEntryScript> mTextScript;
  std::vector<std::string> mFileScript;
  std::vector<std::string> mURLs;
  std::vector<MessageBoxRecord> mMessageBoxes;
  int mMessageBoxAnswer = 1;
  bool mOpenURLResult = true;
  std::string mClipboard;
  int mTooltipAreas = 0;
  int mSavedScale = 0;
  bool mCanSaveScale = true;

  bool mTextEntryOpen = false;
  bool mTextEntrySelected = false;
  std::string mTextEntryText;
  IRECT mTextEntryRect;
  ITextEntryFilter mTextEntryFilter;
  IControl* mTextEntryControl = nullptr;
  IParam* mTextEntryParam = nullptr;
  int mDroppedTextEntries = 0;
};
