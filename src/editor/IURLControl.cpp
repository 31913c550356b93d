#include "editor/IURLControl.h"

#include <cstring>

#include "editor/IGraphics.h"

namespace {

// Copies at most size - 1 characters and always terminates.
void CopyBounded(char* dest, int size, const char* src)
{
  memset(dest, 0, static_cast<size_t>(size));
  if (!src) return;
  size_t n = strlen(src);
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  memcpy(dest, src, n);
}

}  // namespace

IURLControl::IURLControl(IEffectBase* plug, IRECT rect, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
  : IControl(plug, rect)
{
  CopyBounded(mURL, kURLLen, url);
  CopyBounded(mBackupURL, kURLLen, backupURL);
  CopyBounded(mErrMsg, kErrMsgLen, errMsgOnFailure);
}

void IURLControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (!mGraphics || !mURL[0]) return;
  bool opened = mGraphics->OpenURL(mURL, mErrMsg, nullptr, nullptr);
  if (!opened && mBackupURL[0]) mGraphics->OpenURL(mBackupURL, mErrMsg, nullptr, nullptr);
}

IFileSelectorControl::IFileSelectorControl(IEffectBase* plug, IRECT rect, int paramIdx, IBitmap* bitmap,
                                           EFileAction action, const char* dir, const char* extensions)
  : IControl(plug, rect, paramIdx), mFileAction(action)
{
  if (bitmap) mBitmap = *bitmap;
  mDir.Set(dir ? dir : "", 0);
  mExtensions.Set(extensions ? extensions : "", 0);
}

void IFileSelectorControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (!mPlug || !mGraphics) return;
  mState = kFSSelecting;
  SetDirty(false);
  // The platform takes a writable extension list; keep a private copy for it.
  char extensions[256];
  strncpy(extensions, mExtensions.Get(), sizeof(extensions) - 1);
  extensions[sizeof(extensions) - 1] = '\0';
  mGraphics->PromptForFile(&mFile, mFileAction, &mDir, extensions);
  mValue += 1.0;
  if (mValue > 1.0) mValue = 0.0;
  mState = kFSDone;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* g)
{
  if (mState == kFSSelecting) g->DrawBitmap(&mBitmap, &mRECT, 0, 0, nullptr);
  return true;
}

bool IFileSelectorControl::IsDirty()
{
  if (mDirty) return true;
  if (mState == kFSDone)
  {
    mState = kFSNone;
    return true;
  }
  return false;
}

void IFileSelectorControl::GetLastSelectedFileForPlug(Core_String* out) const
{
  if (out) out->Set(mFile.Get(), 0);
}

void IFileSelectorControl::SetLastSelectedFileFromPlug(const char* file)
{
  mFile.Set(file ? file : "", 0);
}
