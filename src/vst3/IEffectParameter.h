#pragma once

#include "vst3/sdk/SingleComponentEffect.h"  // first: renames the controller's state pair

#include "framework/IParam.h"

// The host's view of one framework parameter: an SDK parameter whose information is
// filled once from the IParam (title, short title, unit, steps; named values make a
// list) and whose conversions go through it. Does not own the
// IParam (the plug-in base does) and must not outlive it; the adapter drops its
// parameter objects in terminate, before the base deletes its parameters.
class IEffectParameter : public Steinberg::Vst::Parameter
{
public:
  // id: the parameter's index; unitId: the unit of its group (0 for none).
  IEffectParameter(IParam* param, Steinberg::Vst::ParamID id, Steinberg::Vst::UnitID unitId);
  ~IEffectParameter() override;

  // The IParam's display text for a normalised value (display texts included).
  void toString(Steinberg::Vst::ParamValue valueNormalized,
                Steinberg::Vst::String128 string) const override;
  // Reads the text with IParam::FromDisplayText and normalises it. False, value
  // untouched, for anything that is not a value.
  bool fromString(const Steinberg::Vst::TChar* string,
                  Steinberg::Vst::ParamValue& valueNormalized) const override;
  // Both limit to the range and never answer NaN.
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue valueNormalized) const override;
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const override;

  IParam* GetIParam() const { return mParam; }

  // Host values are meant to lie in 0..1; anything else is brought there before it
  // reaches the parameter's arithmetic (NaN gives 0; callers that must ignore NaN check
  // for it first).
  static Steinberg::Vst::ParamValue ClampNormalized(Steinberg::Vst::ParamValue v);

  // param's display text for a normalised value (brought into 0..1 first; NaN reads as
  // 0), display texts included, widened into string.
  static void FormatForHost(IParam* param, Steinberg::Vst::ParamValue valueNormalized,
                            Steinberg::Vst::String128 string);

  OBJ_METHODS(IEffectParameter, Parameter)

private:
  IParam* mParam;
};
