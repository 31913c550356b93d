#include "editor/IControl.h"

#include <cstdio>
#include <cstring>

#include "editor/IGraphics.h"
#include "editor/ITextControl.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"

IControl::IControl(IEffectBase* plug, IRECT rect, int paramIdx, IChannelBlend::EBlendMethod blendMethod)
  : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blendMethod, 1.0f)
{
}

IControl::~IControl() = default;

IParam* IControl::GetParam() const
{
  if (!mPlug || mParamIdx < 0) return nullptr;
  return mPlug->GetParam(mParamIdx);
}

void IControl::OnMouseDown(int x, int y, IMouseMod* mod)
{
  if (mod && mod->R) PromptUserInput();
}

void IControl::OnMouseDblClick(int x, int y, IMouseMod* mod)
{
  if (mDefaultValue >= 0.0)
  {
    mValue = mDefaultValue;
    SetDirty(true);
  }
}

void IControl::SetValueFromPlug(double value)
{
  if (mDefaultValue < 0.0) mDefaultValue = mValue = value;
  if (mValue != value)
  {
    mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::SetValueFromUserInput(double value)
{
  if (mValue != value)
  {
    mValue = value;
    SetDirty(true);
    mRedraw = true;
  }
}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value)
{
  AuxParam* aux = GetAuxParam(auxParamIdx);
  if (aux && aux->mValue != value)
  {
    aux->mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  mRedraw = true;
  SetDirty(false);
}

void IControl::GrayOut(bool gray)
{
  mGrayed = gray;
  mBlend.mWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

void IControl::SetDirty(bool pushParamToPlug)
{
  if (mValue < mClampLo) mValue = mClampLo;
  else if (mValue > mClampHi) mValue = mClampHi;
  mDirty = true;
  if (!pushParamToPlug || !mPlug || mParamIdx < 0) return;

  mPlug->SetParameterFromGUI(mParamIdx, mValue);
  if (mGraphics) mGraphics->ShareValueFromGUI(mParamIdx, mValue, this);
  IParam* param = mPlug->GetParam(mParamIdx);
  if (!param) return;

  if (mValDisplayControl)
  {
    char display[32] = "";
    param->GetDisplayForHost(param->GetValue(), false, display, true);
    display[sizeof(display) - 1] = '\0';
    char text[80];
    snprintf(text, sizeof(text), "%.32s %.32s", display, param->GetLabelForHost());
    mValDisplayControl->SetTextFromPlug(text);
  }
  if (mNameDisplayControl)
  {
    char name[40];
    snprintf(name, sizeof(name), "%.32s", param->GetNameForHost());
    mNameDisplayControl->SetTextFromPlug(name);
  }
}

void IControl::SetClean()
{
  mDirty = mRedraw;
  mRedraw = false;
}

void IControl::PromptUserInput()
{
  if (mParamIdx < 0 || mDisablePrompt) return;
  IParam* param = GetParam();
  if (!param || !mGraphics) return;
  if (param->GetNDisplayTexts() > 0)
    mGraphics->PromptUserInput(this, param, &mRECT);
  else
  {
    int cx = static_cast<int>(mRECT.MW());
    int cy = static_cast<int>(mRECT.MH());
    IRECT r(cx - 20, cy - 8, cx + 20, cy + 8);
    mGraphics->PromptUserInput(this, param, &r);
  }
  mRedraw = true;
}

void IControl::PromptUserInput(IRECT* rect)
{
  if (mParamIdx < 0 || mDisablePrompt || !rect) return;
  IParam* param = GetParam();
  if (!param || !mGraphics) return;
  mGraphics->PromptUserInput(this, param, rect);
  mRedraw = true;
}

void IControl::AddAuxParam(int paramIdx)
{
  int n = mAuxParams.GetSize();
  mAuxParams.Resize(n + 1);
  if (mAuxParams.GetSize() != n + 1) return;  // could not grow: the entry is left out
  AuxParam* aux = mAuxParams.Get() + n;
  aux->mValue = 0.0;
  aux->mParamIdx = paramIdx;
}

int IControl::AuxParamIdx(int paramIdx) const
{
  const AuxParam* aux = const_cast<Core_TypedBuf<AuxParam>&>(mAuxParams).Get();
  for (int i = 0, n = mAuxParams.GetSize(); i < n; ++i)
    if (aux[i].mParamIdx == paramIdx) return i;
  return -1;
}

IControl::AuxParam* IControl::GetAuxParam(int idx)
{
  if (idx < 0 || idx >= mAuxParams.GetSize()) return nullptr;
  return mAuxParams.Get() + idx;
}

void IControl::SetAllAuxParamsFromGUI()
{
  if (!mPlug) return;
  for (int i = 0, n = mAuxParams.GetSize(); i < n; ++i)
  {
    AuxParam* aux = mAuxParams.Get() + i;
    mPlug->SetParameterFromGUI(aux->mParamIdx, aux->mValue);
  }
}

int IControl::FrameFromValue(int n) const
{
  int i = static_cast<int>(static_cast<double>(n - 1) * mValue + 0.5);
  if (i < 0) return 1;
  if (i < n) return i + 1;
  return n;
}
