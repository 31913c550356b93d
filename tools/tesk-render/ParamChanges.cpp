#include "ParamChanges.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

HostParamValueQueue::HostParamValueQueue(int capacity) : mPoints(capacity > 0 ? capacity : 1) {}

void HostParamValueQueue::Reset(ParamID id)
{
  mId = id;
  mCount = 0;
}

tresult PLUGIN_API HostParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
  if (index < 0 || index >= mCount)
    return kResultFalse;
  sampleOffset = mPoints[index].offset;
  value = mPoints[index].value;
  return kResultOk;
}

tresult PLUGIN_API HostParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
  if (mCount >= static_cast<int>(mPoints.size()))
    return kResultFalse;
  mPoints[mCount] = {sampleOffset, value};
  index = mCount++;
  return kResultOk;
}

tresult PLUGIN_API HostParamValueQueue::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, IParamValueQueue::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    *obj = this;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

HostParameterChanges::HostParameterChanges(int capacity, int pointsPerQueue)
    : mQueues(capacity > 0 ? capacity : 1, HostParamValueQueue(pointsPerQueue))
{
}

bool HostParameterChanges::Add(ParamID id, int32 offset, double normalized)
{
  int32 index = 0;
  IParamValueQueue* q = addParameterData(id, index);
  int32 pointIndex = 0;
  return q && q->addPoint(offset, normalized, pointIndex) == kResultOk;
}

IParamValueQueue* PLUGIN_API HostParameterChanges::getParameterData(int32 index)
{
  if (index < 0 || index >= mCount)
    return nullptr;
  return &mQueues[index];
}

IParamValueQueue* PLUGIN_API HostParameterChanges::addParameterData(const ParamID& id, int32& index)
{
  for (int i = 0; i < mCount; ++i)
    if (mQueues[i].getParameterId() == id) {
      index = i;
      return &mQueues[i];
    }
  if (mCount >= static_cast<int>(mQueues.size()))
    return nullptr;
  mQueues[mCount].Reset(id);
  index = mCount;
  return &mQueues[mCount++];
}

tresult PLUGIN_API HostParameterChanges::queryInterface(const TUID iid, void** obj)
{
  if (FUnknownPrivate::iidEqual(iid, IParameterChanges::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    *obj = this;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}
