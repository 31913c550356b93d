#pragma once
// A small LV2 host on liblilv: loads one bundle folder (nothing else from the system),
// instantiates its plug-in with the features a test chooses, connects every port and
// runs float blocks; reads and writes the plug-in's state through its state interface.
// Used by the LV2 tests and the benchmark that compares the editions. Single-threaded.

#include <lilv/lilv.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tesk_lv2 {

using Planar32 = std::vector<std::vector<float>>;

// URIDs for the host's urid:map: consecutive numbers from 1 in the order asked.
class UridMap
{
public:
  UridMap();
  LV2_URID Map(const char* uri);
  const LV2_URID_Map* Feature() const { return &mMap; }

private:
  static LV2_URID MapCallback(LV2_URID_Map_Handle handle, const char* uri);
  std::vector<std::string> mUris;
  LV2_URID_Map mMap;
};

class LilvHost
{
public:
  struct Features
  {
    bool map = true;      // urid:map
    bool options = true;  // options with bufsz:maxBlockLength = maxBlock
    int maxBlock = 512;
  };

  LilvHost();
  ~LilvHost();  // deactivates, frees the instance and the world
  LilvHost(const LilvHost&) = delete;
  LilvHost& operator=(const LilvHost&) = delete;

  // Loads the bundle folder and finds the plug-in with this URI. On failure `error` holds
  // one line.
  bool Load(const std::string& bundleDir, const std::string& pluginURI, std::string& error);
  // Instantiates (every port connected: audio to the host's buffers, controls to floats
  // holding the plug-in's defaults) and activates.
  bool Start(double sampleRate, const Features& features, std::string& error);

  int PortCount() const { return static_cast<int>(mPorts.size()); }
  // Port index by symbol, or -1.
  int PortIndex(const std::string& symbol) const;
  // The value buffer of a control port (input or output).
  float& Control(const std::string& symbol);
  float& ControlAt(int index) { return mPorts[static_cast<size_t>(index)].value; }

  // Runs one block of nFrames (two input and two output channels; any of them may alias).
  void Run(float* inL, float* inR, float* outL, float* outR, uint32_t nFrames);
  // Renders a whole signal in blocks of `block` frames into new buffers.
  Planar32 Render(const Planar32& in, int block);

  // The property the plug-in stores under <uri>#state (the chunk), or false with `status`
  // set (when not null) to what save answered.
  bool SaveState(std::vector<uint8_t>& bytes, LV2_State_Status* status = nullptr);
  // Restores bytes as that property with the given type (0: atom:Chunk); answers restore's
  // status.
  LV2_State_Status RestoreState(const std::vector<uint8_t>& bytes, LV2_URID type = 0);

  // The plug-in's presets (LV2 pset:Preset): URI and label.
  struct PresetInfo
  {
    std::string uri, label;
  };
  std::vector<PresetInfo> Presets();
  // Loads a preset as hosts do (lilv_state_restore): its port values go into the control
  // buffers. False when lilv cannot read it.
  bool ApplyPreset(const std::string& uri);

  const LilvPlugin* Plugin() const { return mPlugin; }
  LilvWorld* World() const { return mWorld; }
  LilvInstance* Instance() const { return mInstance; }
  UridMap& Map() { return mMap; }

private:
  struct Port
  {
    std::string symbol;
    bool audio = false, input = false;
    float value = 0.0f;
  };
  LilvWorld* mWorld = nullptr;
  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  bool mActive = false;
  std::string mURI;
  std::vector<Port> mPorts;
  UridMap mMap;
  int32_t mMaxBlock = 0;
};

}  // namespace tesk_lv2
