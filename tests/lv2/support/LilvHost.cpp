#include "LilvHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/presets/presets.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tesk_lv2 {

UridMap::UridMap()
{
  mMap.handle = this;
  mMap.map = MapCallback;
}

LV2_URID UridMap::Map(const char* uri)
{
  for (size_t i = 0; i < mUris.size(); ++i)
    if (mUris[i] == uri) return static_cast<LV2_URID>(i + 1);
  mUris.emplace_back(uri);
  return static_cast<LV2_URID>(mUris.size());
}

LV2_URID UridMap::MapCallback(LV2_URID_Map_Handle handle, const char* uri)
{
  return static_cast<UridMap*>(handle)->Map(uri);
}

LilvHost::LilvHost() = default;

LilvHost::~LilvHost()
{
  if (mInstance)
  {
    if (mActive) lilv_instance_deactivate(mInstance);
    lilv_instance_free(mInstance);
  }
  if (mWorld) lilv_world_free(mWorld);
}

bool LilvHost::Load(const std::string& bundleDir, const std::string& pluginURI, std::string& error)
{
  mWorld = lilv_world_new();
  std::string dir = bundleDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, dir.c_str());
  lilv_world_load_bundle(mWorld, bundle);
  lilv_node_free(bundle);
  LilvNode* uri = lilv_new_uri(mWorld, pluginURI.c_str());
  mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), uri);
  lilv_node_free(uri);
  if (!mPlugin)
  {
    error = "no plug-in " + pluginURI + " in " + bundleDir;
    return false;
  }
  mURI = pluginURI;

  LilvNode* audio = lilv_new_uri(mWorld, LILV_URI_AUDIO_PORT);
  LilvNode* input = lilv_new_uri(mWorld, LILV_URI_INPUT_PORT);
  const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
  std::vector<float> defaults(n);
  lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
  mPorts.resize(n);
  for (uint32_t i = 0; i < n; ++i)
  {
    const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
    mPorts[i].symbol = lilv_node_as_string(lilv_port_get_symbol(mPlugin, port));
    mPorts[i].audio = lilv_port_is_a(mPlugin, port, audio);
    mPorts[i].input = lilv_port_is_a(mPlugin, port, input);
    mPorts[i].value = std::isnan(defaults[i]) ? 0.0f : defaults[i];
  }
  lilv_node_free(audio);
  lilv_node_free(input);
  return true;
}

bool LilvHost::Start(double sampleRate, const Features& features, std::string& error)
{
  mMaxBlock = features.maxBlock;
  const LV2_Feature mapFeature = {LV2_URID__map, const_cast<LV2_URID_Map*>(mMap.Feature())};
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, mMap.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
       mMap.Map(LV2_ATOM__Int), &mMaxBlock},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
  };
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  std::vector<const LV2_Feature*> list;
  if (features.map) list.push_back(&mapFeature);
  if (features.options) list.push_back(&optionsFeature);
  list.push_back(nullptr);

  mInstance = lilv_plugin_instantiate(mPlugin, sampleRate, list.data());
  if (!mInstance)
  {
    error = "the plug-in did not instantiate";
    return false;
  }
  for (size_t i = 0; i < mPorts.size(); ++i)
    if (!mPorts[i].audio) lilv_instance_connect_port(mInstance, static_cast<uint32_t>(i), &mPorts[i].value);
  lilv_instance_activate(mInstance);
  mActive = true;
  return true;
}

int LilvHost::PortIndex(const std::string& symbol) const
{
  for (size_t i = 0; i < mPorts.size(); ++i)
    if (mPorts[i].symbol == symbol) return static_cast<int>(i);
  return -1;
}

float& LilvHost::Control(const std::string& symbol)
{
  static float sNoPort = 0.0f;
  const int i = PortIndex(symbol);
  return i >= 0 ? mPorts[static_cast<size_t>(i)].value : sNoPort;
}

void LilvHost::Run(float* inL, float* inR, float* outL, float* outR, uint32_t nFrames)
{
  float* ins[2] = {inL, inR};
  float* outs[2] = {outL, outR};
  int nIn = 0, nOut = 0;
  for (size_t i = 0; i < mPorts.size(); ++i)
  {
    if (!mPorts[i].audio) continue;
    float* buffer = mPorts[i].input ? (nIn < 2 ? ins[nIn++] : nullptr) : (nOut < 2 ? outs[nOut++] : nullptr);
    lilv_instance_connect_port(mInstance, static_cast<uint32_t>(i), buffer);
  }
  lilv_instance_run(mInstance, nFrames);
}

Planar32 LilvHost::Render(const Planar32& in, int block)
{
  const size_t frames = in[0].size();
  Planar32 out(2, std::vector<float>(frames));
  Planar32 work = in;  // the plug-in may not write its inputs, but the host owns these
  for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block))
  {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(static_cast<size_t>(block), frames - pos));
    Run(work[0].data() + pos, work[1].data() + pos, out[0].data() + pos, out[1].data() + pos, n);
  }
  return out;
}

std::vector<LilvHost::PresetInfo> LilvHost::Presets()
{
  std::vector<PresetInfo> out;
  LilvNode* presetClass = lilv_new_uri(mWorld, LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(mWorld, LILV_NS_RDFS "label");
  LilvNodes* presets = lilv_plugin_get_related(mPlugin, presetClass);
  LILV_FOREACH(nodes, i, presets)
  {
    const LilvNode* preset = lilv_nodes_get(presets, i);
    lilv_world_load_resource(mWorld, preset);
    LilvNode* name = lilv_world_get(mWorld, preset, label, nullptr);
    out.push_back({lilv_node_as_uri(preset), name ? lilv_node_as_string(name) : ""});
    lilv_node_free(name);
  }
  lilv_nodes_free(presets);
  lilv_node_free(label);
  lilv_node_free(presetClass);
  return out;
}

namespace {

void SetPortValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type)
{
  auto* host = static_cast<LilvHost*>(user);
  if (size == sizeof(float) && type == host->Map().Map(LV2_ATOM__Float))
    std::memcpy(&host->Control(symbol), value, sizeof(float));
}

}  // namespace

bool LilvHost::ApplyPreset(const std::string& uri)
{
  LilvNode* node = lilv_new_uri(mWorld, uri.c_str());
  LilvState* state = lilv_state_new_from_world(mWorld, const_cast<LV2_URID_Map*>(mMap.Feature()), node);
  lilv_node_free(node);
  if (!state) return false;
  lilv_state_restore(state, mInstance, SetPortValue, this, 0, nullptr);
  lilv_state_free(state);
  return true;
}

namespace {

struct StoreTarget
{
  LV2_URID key;
  std::vector<uint8_t>* bytes;
  bool stored;
};

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t /*type*/,
                       uint32_t /*flags*/)
{
  auto* t = static_cast<StoreTarget*>(handle);
  if (key != t->key) return LV2_STATE_SUCCESS;
  const auto* p = static_cast<const uint8_t*>(value);
  t->bytes->assign(p, p + size);
  t->stored = true;
  return LV2_STATE_SUCCESS;
}

struct RetrieveSource
{
  LV2_URID key, type;
  const std::vector<uint8_t>* bytes;
};

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
  auto* s = static_cast<RetrieveSource*>(handle);
  if (key != s->key) return nullptr;
  if (size) *size = s->bytes->size();
  if (type) *type = s->type;
  if (flags) *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return s->bytes->data();
}

}  // namespace

bool LilvHost::SaveState(std::vector<uint8_t>& bytes, LV2_State_Status* status)
{
  const auto* iface =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
  if (!iface) return false;
  StoreTarget target{mMap.Map((mURI + "#state").c_str()), &bytes, false};
  const LV2_State_Status s = iface->save(lilv_instance_get_handle(mInstance), Store, &target, 0, nullptr);
  if (status) *status = s;
  return s == LV2_STATE_SUCCESS && target.stored;
}

LV2_State_Status LilvHost::RestoreState(const std::vector<uint8_t>& bytes, LV2_URID type)
{
  const auto* iface =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
  if (!iface) return LV2_STATE_ERR_UNKNOWN;
  RetrieveSource source{mMap.Map((mURI + "#state").c_str()), type ? type : mMap.Map(LV2_ATOM__Chunk), &bytes};
  return iface->restore(lilv_instance_get_handle(mInstance), Retrieve, &source, 0, nullptr);
}

}  // namespace tesk_lv2
