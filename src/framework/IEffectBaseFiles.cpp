// VST 2 program (.fxp) and bank (.fxb) files of IEffectBase. Header integers and
// parameter floats are big-endian; the opaque chunks of the chunk forms are in the
// state format (little-endian) behind the framework version header.

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "framework/IEffectBase.h"

namespace
{
const int kProgramNameLen = 28;
const int kBankReservedLen = 124;
const int kProgramFormatVersion = 1;
const int kBankFormatVersion = 2;
// Files larger than this are not presets of this plug-in; never read them whole.
const long kMaxFileSize = 64L * 1024 * 1024;

void PutBE32(ByteChunk* out, uint32_t v)
{
  const unsigned char bytes[4] = {(unsigned char)(v >> 24), (unsigned char)(v >> 16), (unsigned char)(v >> 8),
                                  (unsigned char)v};
  out->PutBytes(bytes, 4);
}

void PutMagic(ByteChunk* out, const char* magic)
{
  out->PutBytes(magic, 4);
}

void PutFloatBE(ByteChunk* out, float f)
{
  uint32_t bits;
  memcpy(&bits, &f, 4);
  PutBE32(out, bits);
}

void PutProgramName(ByteChunk* out, const char* name)
{
  char field[kProgramNameLen] = {};
  if (name) memcpy(field, name, strnlen(name, kProgramNameLen - 1));  // always terminated
  out->PutBytes(field, kProgramNameLen);
}

void PutZeros(ByteChunk* out, int n)
{
  out->Resize(out->Size() + n);
}

// Sequential big-endian reader over a file's bytes; every read fails past the end.
class FileReader
{
public:
  FileReader(const unsigned char* data, int size) : mData(data), mSize(size) {}

  bool BE32(int* v)
  {
    if (!Fits(4)) return false;
    const unsigned char* p = mData + mPos;
    *v = (int)(((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | (uint32_t)p[3]);
    mPos += 4;
    return true;
  }
  bool FloatBE(float* f)
  {
    int bits;
    if (!BE32(&bits)) return false;
    memcpy(f, &bits, 4);
    return true;
  }
  bool Magic(const char* magic)
  {
    if (!Fits(4) || memcmp(mData + mPos, magic, 4) != 0) return false;
    mPos += 4;
    return true;
  }
  bool IsMagic(const char* magic) const { return Fits(4) && memcmp(mData + mPos, magic, 4) == 0; }
  bool Skip(long long n)
  {
    if (n < 0 || !Fits(n)) return false;
    mPos += (int)n;
    return true;
  }
  // The 28-byte name field as a terminated string (28 characters at most).
  bool ProgramName(char (&name)[kProgramNameLen + 1])
  {
    if (!Fits(kProgramNameLen)) return false;
    memcpy(name, mData + mPos, kProgramNameLen);
    name[kProgramNameLen] = 0;
    mPos += kProgramNameLen;
    return true;
  }
  bool Fits(long long n) const { return n >= 0 && (long long)mPos + n <= mSize; }
  const unsigned char* Here() const { return mData + mPos; }

private:
  const unsigned char* mData;
  int mSize;
  int mPos = 0;
};

bool ReadWholeFile(Core_String* pFileName, ByteChunk* out)
{
  if (!pFileName || !pFileName->GetLength()) return false;
  FILE* fp = fopen(pFileName->Get(), "rb");
  if (!fp) return false;
  bool ok = fseek(fp, 0, SEEK_END) == 0;
  const long size = ok ? ftell(fp) : -1;
  ok = ok && size >= 0 && size <= kMaxFileSize && fseek(fp, 0, SEEK_SET) == 0;
  ok = ok && out->Resize((int)size) == (int)size;
  ok = ok && (size == 0 || fread(out->GetBytes(), 1, (size_t)size, fp) == (size_t)size);
  fclose(fp);
  return ok;
}

bool WriteAll(int fd, const unsigned char* p, size_t n)
{
  while (n > 0)
  {
    const ssize_t put = write(fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= (size_t)put;
  }
  return true;
}

// Flushes the directory entry of a renamed file to the disk (best effort).
void SyncDirectoryOf(const char* path)
{
  const char* slash = strrchr(path, '/');
  Core_String dir;
  if (!slash)
    dir.Set(".");
  else if (slash == path)
    dir.Set("/");
  else
    dir.Set(path, (int)(slash - path));
  if (!dir.GetLength()) return;
  const int fd = open(dir.Get(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Replaces the file with data, or leaves it as it was: the bytes go to a new file in the
// same folder, which is flushed to the disk and then renamed over the old one. A link is
// followed, so the file it names is the one replaced.
bool WriteWholeFile(Core_String* pFileName, const ByteChunk* data)
{
  if (!pFileName || !pFileName->GetLength()) return false;
  Core_String target(pFileName->Get());
  struct stat old;
  const bool exists = stat(target.Get(), &old) == 0;
  if (exists)
  {
    if (!S_ISREG(old.st_mode)) return false;
    if (char* real = realpath(pFileName->Get(), nullptr))
    {
      target.Set(real);
      free(real);
    }
  }

  static std::atomic<unsigned> sCounter{0};
  Core_String temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt)
  {
    char suffix[64];
    snprintf(suffix, sizeof(suffix), ".tmp-%ld-%u", (long)getpid(), sCounter.fetch_add(1));
    temp.Set(target.Get());
    temp.Append(suffix);
    if (temp.GetLength() != target.GetLength() + (int)strlen(suffix)) return false;
    fd = open(temp.Get(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = WriteAll(fd, data->GetBytes(), (size_t)data->Size());
  if (ok && exists) ok = fchmod(fd, old.st_mode & 07777) == 0;  // the file keeps its permissions
  ok = ok && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  ok = ok && rename(temp.Get(), target.Get()) == 0;
  if (!ok)
  {
    unlink(temp.Get());
    return false;
  }
  SyncDirectoryOf(target.Get());
  return true;
}

// A parameter-form program's header up to and including its name; the reader then
// stands on the parameter floats, whose count is checked against the file.
struct ProgramHeader
{
  int numParams = 0;
  char name[kProgramNameLen + 1] = {};
};

bool ReadFxCkProgram(FileReader& r, int uniqueID, ProgramHeader* h)
{
  int byteSize, version, fxID, fxVersion;
  if (!r.Magic("CcnK") || !r.BE32(&byteSize) || !r.Magic("FxCk")) return false;
  if (!r.BE32(&version) || version != kProgramFormatVersion) return false;
  if (!r.BE32(&fxID) || fxID != uniqueID) return false;
  if (!r.BE32(&fxVersion) || !r.BE32(&h->numParams) || !r.ProgramName(h->name)) return false;
  return h->numParams >= 0 && r.Fits(4LL * h->numParams);
}
}  // namespace

bool IEffectBase::SaveProgramAsFXP(Core_String* pFileName)
{
  if (!pFileName || !pFileName->GetLength()) return false;
  const IPreset* current = mPresets.Get(mCurrentPresetIdx);
  const char* name = current ? current->mName : "";
  const int nParams = NParams();

  ByteChunk out;
  PutMagic(&out, "CcnK");
  if (DoesStateChunks())
  {
    ByteChunk state;
    InitChunkWithFrameworkVer(&state);
    if (!SerializeState(&state)) return false;
    PutBE32(&out, (uint32_t)(52 + state.Size()));  // bytes that follow this field
    PutMagic(&out, "FPCh");
    PutBE32(&out, kProgramFormatVersion);
    PutBE32(&out, (uint32_t)GetUniqueID());
    PutBE32(&out, (uint32_t)GetEffectVersion(true));
    PutBE32(&out, (uint32_t)nParams);
    PutProgramName(&out, name);
    PutBE32(&out, (uint32_t)state.Size());
    out.PutChunk(&state);
    if (out.Size() != 60 + state.Size()) return false;
  }
  else
  {
    PutBE32(&out, (uint32_t)(48 + 4 * nParams));
    PutMagic(&out, "FxCk");
    PutBE32(&out, kProgramFormatVersion);
    PutBE32(&out, (uint32_t)GetUniqueID());
    PutBE32(&out, (uint32_t)GetEffectVersion(true));
    PutBE32(&out, (uint32_t)nParams);
    PutProgramName(&out, name);
    for (int i = 0; i < nParams; ++i) PutFloatBE(&out, (float)GetParam(i)->GetNormalized());
    if (out.Size() != 56 + 4 * nParams) return false;
  }
  return WriteWholeFile(pFileName, &out);
}

bool IEffectBase::SaveBankAsFXB(Core_String* pFileName)
{
  if (!pFileName || !pFileName->GetLength()) return false;
  const int nParams = NParams();
  const int nPresets = NPresets();

  ByteChunk out;
  PutMagic(&out, "CcnK");
  if (DoesStateChunks())
  {
    ByteChunk presets;
    InitChunkWithFrameworkVer(&presets);
    if (!SerializePresets(&presets)) return false;
    PutBE32(&out, (uint32_t)(152 + presets.Size()));
    PutMagic(&out, "FBCh");
    PutBE32(&out, kBankFormatVersion);
    PutBE32(&out, (uint32_t)GetUniqueID());
    PutBE32(&out, (uint32_t)GetEffectVersion(true));
    PutBE32(&out, (uint32_t)nPresets);
    PutBE32(&out, (uint32_t)mCurrentPresetIdx);
    PutZeros(&out, kBankReservedLen);
    PutBE32(&out, (uint32_t)presets.Size());
    out.PutChunk(&presets);
    if (out.Size() != 160 + presets.Size()) return false;
  }
  else
  {
    const int programSize = 56 + 4 * nParams;
    PutBE32(&out, (uint32_t)(148 + nPresets * programSize));
    PutMagic(&out, "FxBk");
    PutBE32(&out, kBankFormatVersion);
    PutBE32(&out, (uint32_t)GetUniqueID());
    PutBE32(&out, (uint32_t)GetEffectVersion(true));
    PutBE32(&out, (uint32_t)nPresets);
    PutBE32(&out, (uint32_t)mCurrentPresetIdx);
    PutZeros(&out, kBankReservedLen);
    for (int p = 0; p < nPresets; ++p)
    {
      const IPreset* preset = mPresets.Get(p);
      PutMagic(&out, "CcnK");
      PutBE32(&out, (uint32_t)(programSize - 8));
      PutMagic(&out, "FxCk");
      PutBE32(&out, kProgramFormatVersion);
      PutBE32(&out, (uint32_t)GetUniqueID());
      PutBE32(&out, (uint32_t)GetEffectVersion(true));
      PutBE32(&out, (uint32_t)nParams);
      PutProgramName(&out, preset->mName);
      for (int i = 0; i < nParams; ++i)
      {
        // The preset's stored plain value; a slot without one (empty) gives the
        // parameter's current value.
        IParam* param = GetParam(i);
        double v = param->GetValue();
        if (preset->mChunk.Get(&v, 8 * i) < 0 || !isfinite(v)) v = param->GetValue();
        PutFloatBE(&out, (float)param->GetNormalized(v));
      }
    }
    if (out.Size() != 156 + nPresets * programSize) return false;
  }
  return WriteWholeFile(pFileName, &out);
}

bool IEffectBase::LoadProgramFromFXP(Core_String* pFileName)
{
  ByteChunk file;
  if (!ReadWholeFile(pFileName, &file)) return false;
  FileReader r(file.GetBytes(), file.Size());

  int byteSize, version, fxID, fxVersion, numParams;
  char name[kProgramNameLen + 1];
  if (!r.Magic("CcnK") || !r.BE32(&byteSize)) return false;
  const bool chunkForm = r.IsMagic("FPCh");
  if (!chunkForm && !r.IsMagic("FxCk")) return false;
  r.Skip(4);
  if (!r.BE32(&version) || version != kProgramFormatVersion) return false;
  if (!r.BE32(&fxID) || fxID != GetUniqueID()) return false;
  if (!r.BE32(&fxVersion) || !r.BE32(&numParams) || !r.ProgramName(name)) return false;

  if (chunkForm)
  {
    if (!DoesStateChunks()) return false;
    int size;
    if (!r.BE32(&size) || size < 0 || !r.Fits(size)) return false;
    ByteChunk chunk;
    if (chunk.PutBytes(r.Here(), size) != size) return false;
    int pos = 0;
    GetFrameworkVerFromChunk(&chunk, &pos);
    const int stateSize = StateSize();
    // A state cut short would change some parameters and zero one: reject it whole.
    if (pos < 0 || stateSize < 0 || (long long)pos + stateSize > chunk.Size()) return false;
    if (UnserializeState(&chunk, pos) < 0) return false;
  }
  else
  {
    if (numParams < 0 || !r.Fits(4LL * numParams)) return false;
    Core_MutexLock lock(mMutex);
    for (int i = 0; i < numParams; ++i)
    {
      float v = 0.f;
      r.FloatBE(&v);
      IParam* param = GetParam(i);
      if (!param) continue;  // a program of a later version with more parameters
      if (isfinite(v))
        param->SetNormalized(v < 0.f ? 0.0 : v > 1.f ? 1.0 : (double)v);
      else
        param->SetValue(param->GetDefault());
    }
  }

  ModifyCurrentPreset(name[0] ? name : nullptr);
  RestorePreset(mCurrentPresetIdx);
  InformHostOfProgramChange();
  return true;
}

bool IEffectBase::LoadBankFromFXB(Core_String* pFileName)
{
  ByteChunk file;
  if (!ReadWholeFile(pFileName, &file)) return false;
  FileReader r(file.GetBytes(), file.Size());

  int byteSize, version, fxID, fxVersion, numPrograms, currentProgram;
  if (!r.Magic("CcnK") || !r.BE32(&byteSize)) return false;
  const bool chunkForm = r.IsMagic("FBCh");
  if (!chunkForm && !r.IsMagic("FxBk")) return false;
  r.Skip(4);
  if (!r.BE32(&version) || version != kBankFormatVersion) return false;
  if (!r.BE32(&fxID) || fxID != GetUniqueID()) return false;
  if (!r.BE32(&fxVersion) || !r.BE32(&numPrograms) || !r.BE32(&currentProgram)) return false;
  if (!r.Skip(kBankReservedLen)) return false;
  if (numPrograms < 0) return false;

  if (chunkForm)
  {
    int size;
    if (!r.BE32(&size) || size < 0 || !r.Fits(size)) return false;
    ByteChunk chunk;
    if (chunk.PutBytes(r.Here(), size) != size) return false;
    int pos = 0;
    GetFrameworkVerFromChunk(&chunk, &pos);
    // Check the whole list before touching any preset.
    if (!CheckPresetsChunk(&chunk, pos, StateSize())) return false;
    return UnserializePresets(&chunk, pos) >= 0;
  }

  if (currentProgram < 0 || (numPrograms > 0 && currentProgram >= numPrograms)) return false;

  // Every program must be whole and belong to this plug-in before any is taken.
  const FileReader start = r;
  for (int p = 0; p < numPrograms; ++p)
  {
    ProgramHeader h;
    if (!ReadFxCkProgram(r, GetUniqueID(), &h) || !r.Skip(4LL * h.numParams)) return false;
  }

  r = start;
  Core_MutexLock lock(mMutex);
  const int nParams = NParams();
  Core_TypedBuf<double> live;  // the live values stay until the current program is restored
  live.Resize(nParams);
  if (live.GetSize() != nParams) return false;
  for (int i = 0; i < nParams; ++i) live.Get()[i] = GetParam(i)->GetValue();

  for (int p = 0; p < numPrograms; ++p)
  {
    ProgramHeader h;
    ReadFxCkProgram(r, GetUniqueID(), &h);
    IPreset* preset = mPresets.Get(p);
    for (int i = 0; i < h.numParams; ++i)
    {
      float v = 0.f;
      r.FloatBE(&v);
      IParam* param = GetParam(i);
      if (!preset || !param) continue;
      if (isfinite(v))
        param->SetNormalized(v < 0.f ? 0.0 : v > 1.f ? 1.0 : (double)v);
      else
        param->SetValue(param->GetDefault());
    }
    if (!preset) continue;  // more programs than preset slots
    StoreStateInPreset(preset);
    preset->mInitialized = true;
    if (h.name[0]) preset->SetName(h.name);
  }
  for (int i = 0; i < nParams; ++i) GetParam(i)->SetValue(live.Get()[i]);

  if (currentProgram < NPresets()) mCurrentPresetIdx = currentProgram;
  RestorePreset(mCurrentPresetIdx);
  return true;
}
