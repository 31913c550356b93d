#include "vst3/IEditorSnapshot.h"

DEF_CLASS_IID(IEditorSnapshot)
