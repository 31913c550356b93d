#include "effect/TeskFactoryPresets.h"

#include "effect/TeskParameterTable.h"
#include "effect/TeskPresetData.h"
#include "framework/ByteChunk.h"
#include "framework/IEffectBase.h"
#include "framework/IParam.h"

#include <cstring>
#include <vector>

namespace TeskFactoryPresets {

int Count() noexcept
{
  return 1 + static_cast<int>(TeskPresetData::Factory().size());
}

int FindParamByCode(const char* code) noexcept
{
  for (const TeskParams::Param& p : TeskParams::kTable)
    if (code && std::strcmp(p.code, code) == 0)
      return p.id;
  return -1;
}

void Make(IEffectBase& plug)
{
  plug.MakeDefaultPreset("-", 1);
  const int n = plug.NParams();
  for (const TeskPresetSpec& spec : TeskPresetData::Factory()) {
    ByteChunk chunk;
    for (int i = 0; i < n; ++i) {
      const IParam* param = plug.GetParam(i);
      double value = param->GetDefault();
      for (const TeskPresetSetting& s : spec.settings)
        if (FindParamByCode(s.code.c_str()) == i)
          value = s.value < param->GetMin() ? param->GetMin() : s.value > param->GetMax() ? param->GetMax() : s.value;
      chunk.Put(&value);
    }
    plug.MakePresetFromChunk(spec.name.c_str(), &chunk);
  }
}

} // namespace TeskFactoryPresets
