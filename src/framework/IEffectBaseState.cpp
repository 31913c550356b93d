// State chunks, presets and the developer's preset dumps of IEffectBase.

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "core/Core_Base64.h"
#include "framework/IEffectBase.h"
#include "framework/Trace.h"

namespace
{
const int kFrameworkMagic = 0x70666674;  // "tffp" in file order
const int kFrameworkVersion = 0x00010000;
const char* const kUserPresetName = "user preset";
const double kUnnamedMarker = 9.999e-8;

bool IsIntegerKind(const IParam* param)
{
  const IParam::EParamKind kind = param->GetKind();
  return kind == IParam::kTypeBool || kind == IParam::kTypeInt || kind == IParam::kTypeEnum;
}
}  // namespace

void MakeDefaultUserPresetName(Core_PtrList<IPreset>* pPresets, char* out)
{
  int n = 0;
  for (int i = 0, count = pPresets ? pPresets->GetSize() : 0; i < count; ++i)
  {
    const IPreset* preset = pPresets->Get(i);
    if (preset && strstr(preset->mName, kUserPresetName)) ++n;
  }
  sprintf(out, "%s %d", kUserPresetName, n + 1);
}

// ---- State ----

bool IEffectBase::SerializeParams(ByteChunk* pChunk)
{
  if (!pChunk) return false;
  Core_MutexLock lock(mMutex);
  for (int i = 0, n = NParams(); i < n; ++i)
  {
    IParam* param = GetParam(i);
    const double v = param->GetValue();
    Trace(__FUNCTION__, __LINE__, "%d %s %f", i, param->GetNameForHost(), v);
    const int size = pChunk->Size();
    if (pChunk->Put(&v) != size + (int)sizeof(v)) return false;
  }
  return true;
}

int IEffectBase::UnserializeParams(ByteChunk* pChunk, int startPos)
{
  Core_MutexLock lock(mMutex);
  int pos = pChunk ? startPos : -1;
  for (int i = 0, n = NParams(); i < n && pos >= 0; ++i)
  {
    IParam* param = GetParam(i);
    double v = 0.0;
    pos = pChunk->Get(&v, pos);
    if (pos < 0)
      param->SetValue(0.0);
    else if (isfinite(v))
      param->SetValue(v);
    else
      param->SetValue(param->GetDefault());  // never let NaN or inf into the effect
    Trace(__FUNCTION__, __LINE__, "%d %s %f", i, param->GetNameForHost(), param->GetValue());
  }
  OnParamReset();
  return pos;
}

bool IEffectBase::CompareState(const unsigned char* state, int startIdx)
{
  if (!state || startIdx < 0) return false;
  for (int i = 0, n = NParams(); i < n; ++i)
  {
    double v;
    memcpy(&v, state + 8 * ((size_t)startIdx + (size_t)i), sizeof(v));
    if (!(fabsf((float)v - (float)GetParam(i)->GetValue()) < 1e-5f)) return false;
  }
  return true;
}

void IEffectBase::InitChunkWithFrameworkVer(ByteChunk* pChunk)
{
  if (!pChunk) return;
  pChunk->Clear();
  pChunk->Put(&kFrameworkMagic);
  pChunk->Put(&kFrameworkVersion);
}

int IEffectBase::GetFrameworkVerFromChunk(ByteChunk* pChunk, int* pPos)
{
  if (!pChunk || !pPos) return 0;
  int magic = 0;
  if (pChunk->Get(&magic, *pPos) < 0 || magic != kFrameworkMagic) return 0;
  int version = 0;
  const int pos = pChunk->Get(&version, *pPos + 4);
  *pPos = pos;
  return pos < 0 ? 0 : version;
}

// ---- Presets ----

IPreset* IEffectBase::GetNextUninitializedPreset()
{
  for (int i = 0, n = NPresets(); i < n; ++i)
  {
    IPreset* preset = mPresets.Get(i);
    if (!preset->mInitialized) return preset;
  }
  return nullptr;
}

bool IEffectBase::StoreStateInPreset(IPreset* pPreset)
{
  pPreset->mChunk.Clear();
  return SerializeState(&pPreset->mChunk);
}

int IEffectBase::StateSize()
{
  ByteChunk state;
  return SerializeState(&state) ? state.Size() : -1;
}

void IEffectBase::MakeDefaultPreset(const char* name, int nPresets)
{
  for (int i = 0; i < nPresets; ++i)
  {
    IPreset* preset = GetNextUninitializedPreset();
    if (!preset) return;
    preset->mInitialized = true;
    preset->SetName(name ? name : "Empty");
    StoreStateInPreset(preset);
  }
}

bool IEffectBase::MakePreset(const char* name, ...)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return false;
  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();

  va_list args;
  va_start(args, name);
  for (int i = 0, n = NParams(); i < n; ++i)
  {
    const double v = IsIntegerKind(GetParam(i)) ? (double)va_arg(args, int) : va_arg(args, double);
    preset->mChunk.Put(&v);
  }
  va_end(args);
  return true;
}

bool IEffectBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return false;
  const int n = NParams();
  Core_TypedBuf<double> values;
  values.Resize(n);
  if (values.GetSize() != n) return false;
  double* v = values.Get();
  for (int i = 0; i < n; ++i) v[i] = kUnnamedMarker;

  va_list args;
  va_start(args, nParamsNamed);
  for (int k = 0; k < nParamsNamed; ++k)
  {
    const int idx = va_arg(args, int);
    IParam* param = GetParam(idx);
    if (!param) break;  // the value's type is unknown: nothing more can be read safely
    v[idx] = IsIntegerKind(param) ? (double)va_arg(args, int) : va_arg(args, double);
  }
  va_end(args);

  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();
  for (int i = 0; i < n; ++i)
  {
    const double value = v[i] == kUnnamedMarker ? GetParam(i)->GetValue() : v[i];
    preset->mChunk.Put(&value);
  }
  return true;
}

bool IEffectBase::MakePresetFromChunk(const char* name, ByteChunk* pChunk)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return false;
  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();
  preset->mChunk.PutChunk(pChunk);
  return true;
}

bool IEffectBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  if (sizeOfChunk < 0) sizeOfChunk = 0;
  ByteChunk state;
  if (state.Resize(sizeOfChunk) != sizeOfChunk) return false;  // zero-filled
  if (sizeOfChunk > 0) Core_Base64Decode(blob, state.GetBytes(), sizeOfChunk);
  return MakePresetFromChunk(name, &state);
}

void IEffectBase::EnsureDefaultPreset()
{
  for (int i = 0, n = NPresets(); i < n; ++i)
  {
    IPreset* preset = mPresets.Get(i);
    if (preset->mInitialized) continue;
    preset->mInitialized = true;
    preset->SetName("Empty");
    StoreStateInPreset(preset);
  }
}

void IEffectBase::PruneUninitializedPresets()
{
  for (int i = NPresets() - 1; i >= 0; --i)
    if (!mPresets.Get(i)->mInitialized) mPresets.Delete(i, true);
}

bool IEffectBase::RestorePreset(int idx)
{
  IPreset* preset = mPresets.Get(idx);
  if (!preset) return false;

  if (!preset->mInitialized)
  {
    // An empty slot keeps the user's current settings as a new preset.
    preset->mInitialized = true;
    char name[64];
    MakeDefaultUserPresetName(&mPresets, name);
    preset->SetName(name);
    if (!StoreStateInPreset(preset)) return false;
  }
  else if (UnserializeState(&preset->mChunk, 0) <= 0)
  {
    return false;
  }

  mCurrentPresetIdx = idx;
  PresetsChangedByHost();
  RedrawParamControls();
  return true;
}

bool IEffectBase::RestorePreset(const char* name)
{
  if (!name || !*name) return false;
  for (int i = 0, n = NPresets(); i < n; ++i)
  {
    const IPreset* preset = mPresets.Get(i);
    if (preset && !strcmp(preset->mName, name)) return RestorePreset(i);
  }
  return false;
}

const char* IEffectBase::GetPresetName(int idx)
{
  const IPreset* preset = mPresets.Get(idx);
  return preset ? preset->mName : "";
}

void IEffectBase::ModifyCurrentPreset(const char* name)
{
  IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  if (!preset) return;
  Trace(__FUNCTION__, __LINE__, "%d %s", mCurrentPresetIdx, preset->mName);
  StoreStateInPreset(preset);
  // It now holds a real state: a later restore must load it, not replace it.
  preset->mInitialized = true;
  if (name && *name) preset->SetName(name);
}

bool IEffectBase::SerializePresets(ByteChunk* pChunk)
{
  if (!pChunk) return false;
  for (int i = 0, n = NPresets(); i < n; ++i)
  {
    IPreset* preset = mPresets.Get(i);
    Trace(__FUNCTION__, __LINE__, "%d %s", i, preset->mName);
    const int size = pChunk->Size();
    const int nameLen = (int)strlen(preset->mName);
    if (pChunk->PutStr(preset->mName) != size + 4 + nameLen) return false;
    if (pChunk->PutBool(preset->mInitialized) != size + 5 + nameLen) return false;
    if (preset->mInitialized &&
        pChunk->PutChunk(&preset->mChunk) != size + 5 + nameLen + preset->mChunk.Size())
      return false;
  }
  return true;
}

int IEffectBase::UnserializePresets(ByteChunk* pChunk, int startPos)
{
  int pos = pChunk ? startPos : -1;
  for (int i = 0, n = NPresets(); i < n && pos >= 0; ++i)
  {
    IPreset* preset = mPresets.Get(i);

    Core_String name;
    pos = pChunk->GetStr(&name, pos);
    if (pos > pChunk->Size()) pos = -1;
    if (pos >= 0) preset->SetName(name.Get());

    bool initialized = false;
    pos = pChunk->GetBool(&initialized, pos);
    if (pos >= 0) preset->mInitialized = initialized;
    Trace(__FUNCTION__, __LINE__, "%d %s", i, preset->mName);

    if (pos >= 0 && preset->mInitialized)
    {
      pos = UnserializeState(pChunk, pos);
      // Store the values as the parameter ranges limited them.
      if (pos > 0) StoreStateInPreset(preset);
    }
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// True when a presets chunk from pos holds every preset in full, each initialised
// one with stateSize bytes of state.
bool IEffectBase::CheckPresetsChunk(const ByteChunk* pChunk, int pos, int stateSize)
{
  if (!pChunk || pos < 0 || stateSize < 0) return false;
  for (int i = 0, n = NPresets(); i < n; ++i)
  {
    pos = pChunk->GetStr(nullptr, pos);
    if (pos < 0 || pos > pChunk->Size()) return false;
    bool initialized = false;
    pos = pChunk->GetBool(&initialized, pos);
    if (pos < 0) return false;
    if (initialized)
    {
      if ((long long)pos + stateSize > pChunk->Size()) return false;
      pos += stateSize;
    }
  }
  return true;
}

// ---- Developer dumps ----

namespace
{
// The chunk as base64 text in buf; null when it cannot be built.
const char* EncodeChunk(const ByteChunk* pChunk, Core_TypedBuf<char>* buf)
{
  const int len = Core_Base64EncodedLength(pChunk->Size());
  buf->Resize(len + 1);
  if (buf->GetSize() != len + 1) return nullptr;
  if (Core_Base64Encode(pChunk->GetBytes(), pChunk->Size(), buf->Get(), len + 1) < 0) return nullptr;
  return buf->Get();
}
}  // namespace

bool IEffectBase::DumpPresetSrcCode(const char* filename, const char** paramIdNames)
{
  if (!filename || !*filename) return false;
  FILE* fp = fopen(filename, "w");
  if (!fp) return false;
  const int n = NParams();
  fprintf(fp, "  MakePresetFromNamedParams(\"name\", %d", n);
  for (int i = 0; i < n; ++i)
  {
    IParam* param = GetParam(i);
    char value[64];
    switch (param->GetKind())
    {
      case IParam::kTypeBool: strcpy(value, param->GetBool() ? "true" : "false"); break;
      case IParam::kTypeInt:
      case IParam::kTypeEnum: sprintf(value, "%d", param->GetInt()); break;
      default: snprintf(value, sizeof(value), "%.6f", param->GetValue()); break;
    }
    if (paramIdNames && paramIdNames[i])
      fprintf(fp, ",\n    %s, %s", paramIdNames[i], value);
    else
      fprintf(fp, ",\n    %d, %s", i, value);
  }
  fprintf(fp, ");\n");
  return fclose(fp) == 0;
}

bool IEffectBase::DumpPresetBlob(const char* filename)
{
  if (!filename || !*filename) return false;
  IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  if (!preset) return false;
  Core_TypedBuf<char> text;
  const char* b64 = EncodeChunk(&preset->mChunk, &text);
  if (!b64) return false;
  FILE* fp = fopen(filename, "w");
  if (!fp) return false;
  fputs("MakePresetFromBlob(\"name\", \"", fp);
  fprintf(fp, "%s\", %i);\n", b64, preset->mChunk.Size());
  return fclose(fp) == 0;
}

bool IEffectBase::DumpBankBlob(const char* filename)
{
  if (!filename || !*filename) return false;
  FILE* fp = fopen(filename, "w");
  if (!fp) return false;
  bool ok = true;
  Core_TypedBuf<char> text;
  for (int i = 0, n = NPresets(); i < n; ++i)
  {
    IPreset* preset = mPresets.Get(i);
    const char* b64 = EncodeChunk(&preset->mChunk, &text);
    if (!b64)
    {
      ok = false;
      break;
    }
    fprintf(fp, "MakePresetFromBlob(\"%s\", \"", preset->mName);
    fprintf(fp, "%s\", %i);\n", b64, preset->mChunk.Size());
  }
  return fclose(fp) == 0 && ok;
}
