#pragma once

#include <cstdint>

class IParam;

// The port list every LV2 edition of a plug-in presents, in index order:
//   audio inputs   0 .. nIn - 1
//   audio outputs  nIn .. nIn + nOut - 1
//   one control input per parameter, in parameter index order
//   "enabled"      the host's bypass (lv2:enabled: 1 processing, 0 bypassed)
//   "latency"      a control output: the latency in frames
// The DSP library, the UI library and the generated .ttl files all take indices from here,
// so they cannot disagree.
struct LV2Ports
{
  int nIn, nOut, nParams;

  constexpr uint32_t AudioIn(int i) const { return static_cast<uint32_t>(i); }
  constexpr uint32_t AudioOut(int i) const { return static_cast<uint32_t>(nIn + i); }
  constexpr uint32_t Param(int idx) const { return static_cast<uint32_t>(nIn + nOut + idx); }
  constexpr uint32_t Enabled() const { return static_cast<uint32_t>(nIn + nOut + nParams); }
  constexpr uint32_t Latency() const { return Enabled() + 1; }
  constexpr uint32_t Count() const { return Latency() + 1; }

  // The parameter a port carries, or -1.
  constexpr int ParamOfPort(uint32_t port) const
  {
    return port >= Param(0) && port < Enabled() ? static_cast<int>(port - Param(0)) : -1;
  }
};

// Symbols of the ports that are not parameters (parameters use their short names).
namespace LV2PortSymbols {
constexpr const char* kInputs[2] = {"in_l", "in_r"};
constexpr const char* kOutputs[2] = {"out_l", "out_r"};
constexpr const char* kEnabled = "enabled";
constexpr const char* kLatency = "latency";
}  // namespace LV2PortSymbols

// The plain value a control port's float value gives a parameter: limited to the range;
// for whole-number kinds (lists, switches) rounded to the nearest whole number, halves
// upward. False for NaN, which changes nothing.
bool LV2PortValueToPlain(const IParam& param, float portValue, double* plain);

// The host bypass a value of the "enabled" port means: below 0.5 is bypassed. NaN: false
// (ignored).
bool LV2EnabledToBypass(float portValue, bool* bypassed);
