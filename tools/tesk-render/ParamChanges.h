#pragma once
// Parameter-change queues a host hands to IAudioProcessor::process. Capacity is fixed at
// construction, so filling and reading them during processing allocates nothing.

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

// One parameter's points for one block, in the order they were added.
class HostParamValueQueue : public Steinberg::Vst::IParamValueQueue
{
public:
  explicit HostParamValueQueue(int capacity = 16);
  virtual ~HostParamValueQueue() = default;

  void Reset(Steinberg::Vst::ParamID id); // empties the queue and gives it a new ID

  Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return mId; }
  Steinberg::int32 PLUGIN_API getPointCount() override { return mCount; }
  Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                         Steinberg::Vst::ParamValue& value) override;
  Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                         Steinberg::Vst::ParamValue value,
                                         Steinberg::int32& index) override;

  // Lives on the host's stack or inside HostParameterChanges: reference counting is a no-op.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
  struct Point { Steinberg::int32 offset; Steinberg::Vst::ParamValue value; };
  Steinberg::Vst::ParamID mId = 0;
  int mCount = 0;
  std::vector<Point> mPoints; // sized once; mCount of them are in use
};

// The list of queues of one block; at most `capacity` parameters may change per block.
class HostParameterChanges : public Steinberg::Vst::IParameterChanges
{
public:
  explicit HostParameterChanges(int capacity = 64, int pointsPerQueue = 16);
  virtual ~HostParameterChanges() = default;

  void Clear() { mCount = 0; }
  // Appends a point to the queue of `id` (creating the queue); false when full.
  bool Add(Steinberg::Vst::ParamID id, Steinberg::int32 offset, double normalized);

  Steinberg::int32 PLUGIN_API getParameterCount() override { return mCount; }
  Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
  Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                Steinberg::int32& index) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
  Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
  int mCount = 0;
  std::vector<HostParamValueQueue> mQueues;
};
