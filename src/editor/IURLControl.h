#pragma once

#include "core/Core_String.h"
#include "editor/EFileAction.h"
#include "editor/IControl.h"

// A click opens a web address (or a backup address when the first cannot be opened).
// Draws nothing. Texts longer than the fields are cut, never overrun.
class IURLControl : public IControl
{
public:
  static constexpr int kURLLen = 256;
  static constexpr int kErrMsgLen = 1024;

  IURLControl(IEffectBase* plug, IRECT rect, const char* url, const char* backupURL = nullptr,
              const char* errMsgOnFailure = nullptr);

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* g) override { return true; }

  const char* GetURL() const { return mURL; }
  const char* GetBackupURL() const { return mBackupURL; }
  const char* GetErrMsg() const { return mErrMsg; }

protected:
  char mURL[kURLLen];
  char mBackupURL[kURLLen];
  char mErrMsg[kErrMsgLen];
};

// A click asks for a file; the choice is kept for the plug-in to read.
class IFileSelectorControl : public IControl
{
public:
  enum EFileSelectorState { kFSNone = 0, kFSSelecting = 1, kFSDone = 2 };

  IFileSelectorControl(IEffectBase* plug, IRECT rect, int paramIdx, IBitmap* bitmap, EFileAction action,
                       const char* dir = "", const char* extensions = "");

  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* g) override;
  bool IsDirty() override;

  void GetLastSelectedFileForPlug(Core_String* out) const;
  void SetLastSelectedFileFromPlug(const char* file);
  EFileSelectorState GetState() const { return mState; }

protected:
  IBitmap mBitmap;
  Core_String mDir, mFile, mExtensions;
  EFileAction mFileAction;
  EFileSelectorState mState = kFSNone;
};
