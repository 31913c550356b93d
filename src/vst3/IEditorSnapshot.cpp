#include "vst3/IEditorSnapshot.h"

DEF_CLASS_IID(IEditorSnapshot)
DEF_CLASS_IID(IEditorSnapshot2)
