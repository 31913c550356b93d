#pragma once

#include <cstdint>

// One short MIDI message with its sample offset inside the current block. Plain data:
// 32-bit offset, then status, data 1 and data 2 bytes. Readers return -1 (or 0 where
// noted) when the message is of another kind.
struct IMidiMsg
{
  // The status byte's high nibble.
  enum EStatusMsg
  {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14
  };

  // Controller numbers (0..127, passed through unchanged as data byte 1). Numbers
  // without a name here are used by casting.
  enum EControlChangeMsg
  {
    kBankSelect = 0,
    kModWheel = 1,
    kBreathController = 2,
    kFootController = 4,
    kPortamentoTime = 5,
    kDataEntry = 6,
    kChannelVolume = 7,
    kBalance = 8,
    kPan = 10,
    kExpression = 11,
    kEffectControl1 = 12,
    kEffectControl2 = 13,
    kGeneralPurpose1 = 16,
    kGeneralPurpose2 = 17,
    kGeneralPurpose3 = 18,
    kGeneralPurpose4 = 19,
    kBankSelectLSB = 32,
    kModWheelLSB = 33,
    kDataEntryLSB = 38,
    kChannelVolumeLSB = 39,
    kSustainPedal = 64,
    kPortamentoOnOff = 65,
    kSostenutoPedal = 66,
    kSoftPedal = 67,
    kLegatoFootswitch = 68,
    kHold2 = 69,
    kSoundControl1 = 70,
    kSoundControl2 = 71,
    kSoundControl3 = 72,
    kSoundControl4 = 73,
    kSoundControl5 = 74,
    kSoundControl6 = 75,
    kSoundControl7 = 76,
    kSoundControl8 = 77,
    kSoundControl9 = 78,
    kSoundControl10 = 79,
    kGeneralPurpose5 = 80,
    kGeneralPurpose6 = 81,
    kGeneralPurpose7 = 82,
    kGeneralPurpose8 = 83,
    kPortamentoControl = 84,
    kEffects1Depth = 91,
    kEffects2Depth = 92,
    kEffects3Depth = 93,
    kEffects4Depth = 94,
    kEffects5Depth = 95,
    kDataIncrement = 96,
    kDataDecrement = 97,
    kNRPNLSB = 98,
    kNRPNMSB = 99,
    kRPNLSB = 100,
    kRPNMSB = 101,
    kAllSoundOff = 120,
    kResetAllControllers = 121,
    kLocalControl = 122,
    kAllNotesOff = 123,
    kOmniOff = 124,
    kOmniOn = 125,
    kMonoOn = 126,
    kPolyOn = 127
  };

  int mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() noexcept = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2) noexcept
    : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {
  }

  // Builders clear the message first. channel is 0..15 and is OR-ed into the status
  // byte as given; note numbers and velocities are 0..127.
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0) noexcept;
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0) noexcept;
  // value -1..1 (beyond that limited), 0 is the centre; NaN gives the centre.
  void MakePitchWheelMsg(double value, int channel = 0) noexcept;
  // value 0..1 (beyond that limited), sent as value * 127 truncated; NaN gives 0.
  void MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel = 0) noexcept;
  void Clear() noexcept;

  int Channel() const noexcept { return mStatus & 0x0F; }
  // The status nibble for channel messages; kNone for data bytes and system messages.
  EStatusMsg StatusMsg() const noexcept;
  int NoteNumber() const noexcept;
  int Velocity() const noexcept;
  int PolyAfterTouch() const noexcept;
  int ChannelAfterTouch() const noexcept;
  int Program() const noexcept;
  // -1..1 for a pitch wheel message, else 0.
  double PitchWheel() const noexcept;
  EControlChangeMsg ControlChangeIdx() const noexcept { return (EControlChangeMsg)mData1; }
  // 0..1 for a control change of controller idx, else -1.
  double ControlChange(EControlChangeMsg idx) const noexcept;
  // Message logging is inactive.
  void LogMsg() const noexcept {}
};

// The name of a status: "none", "noteoff", "noteon", "aftertouch", "controlchange",
// "programchange", "channelaftertouch", "pitchwheel", or "unknown".
const char* StatusMsgStr(IMidiMsg::EStatusMsg msg) noexcept;
