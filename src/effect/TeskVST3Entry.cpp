// The VST 3 edition's parts of the effect: its editor inside the instance and the
// module's identity and creation function for the factory.

#include "core/Core_Mutex.h"
#include "editor/IGraphics.h"
#include "effect/Tesk.h"
#include "effect/TeskEditorLayout.h"

void Tesk::AttachEditor()
{
  // The editor: built once with the instance and owned by the base from AttachGraphics on.
  // Nothing touches the windowing system until a host opens the view.
  IGraphics* gui = MakeGraphics(this, TeskEditorLayout::kWidth, TeskEditorLayout::kHeight,
                                TeskEditorLayout::kFrameRate);
  TeskEditorLayout::Attach(gui, this);
  AttachGraphics(gui);
}

// The module's identity for hosts. The class ID is the product's and never changes.
const IEffectVST3ClassInfo gEffectClassInfo = {
    "Quillfen",
    TeskEditorLayout::kProductURL,
    "support@quillfen.example",
    "Tesk",
    "Fx|EQ",
    "3.0.0",
    {0x5465736B, 0x51666E31, 0x8A3C47D2, 0x1F60B9E4},
};

// Builds a new Tesk holding one reference (the caller's) under a module-wide mutex, so
// instances are constructed one at a time whatever thread the host creates them from.
// Construction is all or nothing: when memory runs out anywhere in it, the partly built
// instance is destroyed and std::bad_alloc reaches the factory, which answers the host
// kOutOfMemory.
IEffectVST3* MakePlug()
{
  static Core_Mutex sMutex;
  Core_MutexLock lock(sMutex);
  return new Tesk(IEffectInstanceInfo());
}
