#include "framework/IMidiMsg.h"

#include <cmath>

void IMidiMsg::Clear() noexcept
{
  mOffset = 0;
  mStatus = mData1 = mData2 = 0;
}

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel) noexcept
{
  Clear();
  mStatus = (uint8_t)(kNoteOn << 4 | channel);
  mData1 = (uint8_t)noteNumber;
  mData2 = (uint8_t)velocity;
  mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel) noexcept
{
  Clear();
  mStatus = (uint8_t)(kNoteOff << 4 | channel);
  mData1 = (uint8_t)noteNumber;
  mOffset = offset;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel) noexcept
{
  Clear();
  mStatus = (uint8_t)(kPitchWheel << 4 | channel);
  double scaled = value * 8192.0;
  // Limited before the conversion to int, which is undefined for NaN and huge values.
  if (std::isnan(scaled)) scaled = 0.0;
  if (scaled > 16384.0) scaled = 16384.0;
  if (scaled < -16384.0) scaled = -16384.0;
  int i = (int)scaled + 8192;
  if (i < 0) i = 0;
  if (i > 16383) i = 16383;
  mData1 = (uint8_t)(i & 0x7F);
  mData2 = (uint8_t)(i >> 7);
}

void IMidiMsg::MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel) noexcept
{
  Clear();
  mStatus = (uint8_t)(kControlChange << 4 | channel);
  mData1 = (uint8_t)idx;
  // A data byte above 127 would read as a status byte: limit to 0..127.
  double scaled = value * 127.0;
  if (!(scaled > 0.0)) scaled = 0.0;  // also NaN
  if (scaled > 127.0) scaled = 127.0;
  mData2 = (uint8_t)(int)scaled;
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const noexcept
{
  const unsigned nibble = mStatus >> 4;
  if (!(mStatus & 0x80) || nibble == 0xF) return kNone;
  return (EStatusMsg)nibble;
}

int IMidiMsg::NoteNumber() const noexcept
{
  switch (StatusMsg())
  {
    case kNoteOff:
    case kNoteOn:
    case kPolyAftertouch: return mData1;
    default: return -1;
  }
}

int IMidiMsg::Velocity() const noexcept
{
  const EStatusMsg s = StatusMsg();
  return (s == kNoteOn || s == kNoteOff) ? mData2 : -1;
}

int IMidiMsg::PolyAfterTouch() const noexcept
{
  return StatusMsg() == kPolyAftertouch ? mData2 : -1;
}

int IMidiMsg::ChannelAfterTouch() const noexcept
{
  return StatusMsg() == kChannelAftertouch ? mData1 : -1;
}

int IMidiMsg::Program() const noexcept
{
  return StatusMsg() == kProgramChange ? mData1 : -1;
}

double IMidiMsg::PitchWheel() const noexcept
{
  if (StatusMsg() != kPitchWheel) return 0.0;
  return ((mData2 << 7) + mData1 - 8192) / 8192.0;
}

double IMidiMsg::ControlChange(EControlChangeMsg idx) const noexcept
{
  if (StatusMsg() == kControlChange && mData1 == (int)idx) return mData2 / 127.0;
  return -1.0;
}

const char* StatusMsgStr(IMidiMsg::EStatusMsg msg) noexcept
{
  switch (msg)
  {
    case IMidiMsg::kNone: return "none";
    case IMidiMsg::kNoteOff: return "noteoff";
    case IMidiMsg::kNoteOn: return "noteon";
    case IMidiMsg::kPolyAftertouch: return "aftertouch";
    case IMidiMsg::kControlChange: return "controlchange";
    case IMidiMsg::kProgramChange: return "programchange";
    case IMidiMsg::kChannelAftertouch: return "channelaftertouch";
    case IMidiMsg::kPitchWheel: return "pitchwheel";
    default: return "unknown";
  }
}
