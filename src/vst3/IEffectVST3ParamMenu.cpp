#include "vst3/IEffectVST3.h"  // first: renames the controller's state pair

#include "vst3/IEffectVST3ParamMenu.h"

#include "base/source/fobject.h"
#include "editor/IGraphics.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace IEffectVST3ParamMenu {

const char* const kEnterValueText = "Enter value\xE2\x80\xA6";
const char* const kResetToDefaultText = "Reset to default";

namespace {

class Target : public IContextMenuTarget, public FObject
{
public:
  Target(IEffectVST3* plug, int paramIdx) : mPlug(plug), mParamIdx(paramIdx) { mPlug->addRef(); }
  ~Target() override { mPlug->release(); }

  tresult PLUGIN_API executeMenuItem(int32 tag) override
  {
    try
    {
      IEditorHooks* hooks = mPlug->GetGUI();
      // Every editor attached to the plug-in base is an IGraphics.
      IGraphics* graphics = static_cast<IGraphics*>(hooks);
      switch (tag)
      {
        case kEnterValue:
          return graphics && graphics->PromptTypedValueForParam(mParamIdx) ? kResultOk : kResultFalse;
        case kResetToDefault:
          if (graphics) return graphics->ResetParamToDefault(mParamIdx) ? kResultOk : kResultFalse;
          if (!mPlug->GetParam(mParamIdx)) return kResultFalse;
          mPlug->BeginInformHostOfParamChange(mParamIdx);
          mPlug->SetParameterFromGUI(mParamIdx,
                                     mPlug->GetParam(mParamIdx)->GetNormalized(mPlug->GetParam(mParamIdx)->GetDefault()));
          mPlug->EndInformHostOfParamChange(mParamIdx);
          return kResultOk;
        default:
          return kResultFalse;
      }
    }
    catch (...)
    {
      return kInternalError;
    }
  }

  OBJ_METHODS(Target, FObject)
  DEFINE_INTERFACES
    DEF_INTERFACE(IContextMenuTarget)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)

private:
  IEffectVST3* mPlug;
  int mParamIdx;
};

// UTF-8 to the host's UTF-16 (the item texts are ours: no surrogates needed).
void ToUTF16(const char* text, TChar* out, int outSize)
{
  int n = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p && n < outSize - 1)
  {
    unsigned c = *p++;
    if (c >= 0xE0 && p[0] && p[1])
    {
      c = ((c & 0x0F) << 12) | ((p[0] & 0x3F) << 6) | (p[1] & 0x3F);
      p += 2;
    }
    else if (c >= 0xC0 && p[0])
    {
      c = ((c & 0x1F) << 6) | (p[0] & 0x3F);
      p += 1;
    }
    out[n++] = static_cast<TChar>(c);
  }
  out[n] = 0;
}

}  // namespace

bool AddItems(IContextMenu* menu, IEffectVST3* plug, int paramIdx)
{
  if (!menu || !plug || !plug->GetParam(paramIdx)) return false;
  Target* target = new Target(plug, paramIdx);
  bool ok = true;
  IContextMenuItem item{};
  if (menu->getItemCount() > 0)
  {
    item.flags = IContextMenuItem::kIsSeparator;
    ok = menu->addItem(item, target) == kResultOk;
  }
  item.flags = 0;
  item.tag = kEnterValue;
  ToUTF16(kEnterValueText, item.name, 128);
  ok = ok && menu->addItem(item, target) == kResultOk;
  item.tag = kResetToDefault;
  ToUTF16(kResetToDefaultText, item.name, 128);
  ok = ok && menu->addItem(item, target) == kResultOk;
  // The menu holds its own references to the target.
  target->release();
  return ok;
}

}  // namespace IEffectVST3ParamMenu
