#include "framework/IMidiMsg.h"
#include "framework/ISysEx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

TEST(IMidiMsg, NoteMessages)
{
  IMidiMsg m;
  m.MakeNoteOnMsg(60, 100, 5, 1);
  EXPECT_EQ(m.mStatus, 0x91);
  EXPECT_EQ(m.mData1, 60);
  EXPECT_EQ(m.mData2, 100);
  EXPECT_EQ(m.mOffset, 5);
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(m.Channel(), 1);
  EXPECT_EQ(m.NoteNumber(), 60);
  EXPECT_EQ(m.Velocity(), 100);
  EXPECT_EQ(m.PolyAfterTouch(), -1);
  EXPECT_EQ(m.Program(), -1);
  EXPECT_EQ(m.PitchWheel(), 0.0);

  m.MakeNoteOffMsg(61, 7, 15);
  EXPECT_EQ(m.mStatus, 0x8F);
  EXPECT_EQ(m.Velocity(), 0);
  EXPECT_EQ(m.NoteNumber(), 61);
  EXPECT_EQ(m.mOffset, 7);
  EXPECT_STREQ(StatusMsgStr(m.StatusMsg()), "noteoff");

  m.Clear();
  EXPECT_EQ(m.mOffset, 0);
  EXPECT_EQ(m.mStatus, 0);
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNone);
}

TEST(IMidiMsg, PitchWheel)
{
  IMidiMsg m;
  m.MakePitchWheelMsg(0, 0);
  EXPECT_EQ(m.mStatus, 0xE0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 64);
  EXPECT_EQ(m.PitchWheel(), 0.0);
  m.MakePitchWheelMsg(1, 3);
  EXPECT_EQ(m.mStatus, 0xE3);
  EXPECT_EQ(m.mData1, 127);
  EXPECT_EQ(m.mData2, 127);
  EXPECT_EQ(m.PitchWheel(), 8191.0 / 8192.0);
  m.MakePitchWheelMsg(-1.5, 0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 0);
  EXPECT_EQ(m.PitchWheel(), -1.0);
  m.MakePitchWheelMsg(-0.25, 0);
  EXPECT_EQ(m.PitchWheel(), -0.25);
  // Values that cannot be converted give a defined result.
  m.MakePitchWheelMsg(1e300, 0);
  EXPECT_EQ(m.PitchWheel(), 8191.0 / 8192.0);
  m.MakePitchWheelMsg(std::numeric_limits<double>::quiet_NaN(), 0);
  EXPECT_EQ(m.PitchWheel(), 0.0);
}

TEST(IMidiMsg, ControlChange)
{
  IMidiMsg m;
  m.MakeControlChangeMsg(IMidiMsg::kChannelVolume, 0.5, 2);
  EXPECT_EQ(m.mStatus, 0xB2);
  EXPECT_EQ(m.mData1, 7);
  EXPECT_EQ(m.mData2, 63);
  EXPECT_EQ(m.ControlChangeIdx(), IMidiMsg::kChannelVolume);
  EXPECT_EQ(m.ControlChange(IMidiMsg::kChannelVolume), 63.0 / 127.0);
  EXPECT_EQ(m.ControlChange(IMidiMsg::kBalance), -1.0);
  EXPECT_STREQ(StatusMsgStr(m.StatusMsg()), "controlchange");

  // Out-of-range values stay valid data bytes.
  m.MakeControlChangeMsg(IMidiMsg::kModWheel, 3.0);
  EXPECT_EQ(m.mData2, 127);
  m.MakeControlChangeMsg(IMidiMsg::kModWheel, -0.5);
  EXPECT_EQ(m.mData2, 0);
  m.MakeControlChangeMsg((IMidiMsg::EControlChangeMsg)3, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(m.mData1, 3);
  EXPECT_EQ(m.mData2, 0);
}

TEST(IMidiMsg, ReadersPerKind)
{
  IMidiMsg poly(0, 0xA4, 64, 33);
  EXPECT_EQ(poly.NoteNumber(), 64);
  EXPECT_EQ(poly.PolyAfterTouch(), 33);
  EXPECT_EQ(poly.Velocity(), -1);

  IMidiMsg program(0, 0xC0, 12, 0);
  EXPECT_EQ(program.Program(), 12);
  EXPECT_EQ(program.NoteNumber(), -1);
  EXPECT_EQ(program.ControlChange(IMidiMsg::kBankSelect), -1.0);

  IMidiMsg pressure(0, 0xD9, 90, 0);
  EXPECT_EQ(pressure.ChannelAfterTouch(), 90);
  EXPECT_EQ(pressure.Channel(), 9);
  EXPECT_EQ(pressure.Program(), -1);

  EXPECT_EQ(IMidiMsg(0, 0xF8, 0, 0).StatusMsg(), IMidiMsg::kNone);  // system message
  EXPECT_EQ(IMidiMsg(0, 0x45, 0, 0).StatusMsg(), IMidiMsg::kNone);  // data byte
  EXPECT_EQ(IMidiMsg(0, 0xF8, 0, 0).NoteNumber(), -1);
}

TEST(IMidiMsg, StatusNames)
{
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kNone), "none");
  EXPECT_STREQ(StatusMsgStr((IMidiMsg::EStatusMsg)3), "unknown");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kNoteOn), "noteon");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kPolyAftertouch), "aftertouch");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kProgramChange), "programchange");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kChannelAftertouch), "channelaftertouch");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kPitchWheel), "pitchwheel");
  EXPECT_STREQ(StatusMsgStr((IMidiMsg::EStatusMsg)15), "unknown");
}

TEST(ISysEx, ClearAndHexText)
{
  const unsigned char bytes[4] = {0xF0, 0x01, 0x02, 0xF7};
  ISysEx s(12, bytes, 4);
  EXPECT_EQ(s.mData, bytes);
  s.Clear();
  EXPECT_EQ(s.mOffset, 0);
  EXPECT_EQ(s.mSize, 0);
  EXPECT_EQ(s.mData, nullptr);

  char out[16];
  memset(out, 'x', sizeof(out));
  EXPECT_EQ(SysExStr(out, 7, bytes, 4), out);
  EXPECT_STREQ(out, "F0 01");  // two bytes fit in seven characters
  EXPECT_STREQ(SysExStr(out, 16, bytes, 4), "F0 01 02 F7");

  // Exactly three characters per byte: nothing past maxLen is touched.
  memset(out, 'x', sizeof(out));
  SysExStr(out, 6, bytes, 4);
  EXPECT_STREQ(out, "F0 01");
  EXPECT_EQ(out[6], 'x');

  EXPECT_STREQ(SysExStr(out, 16, nullptr, 4), "");
  EXPECT_STREQ(SysExStr(out, 16, bytes, 0), "");
  EXPECT_STREQ(SysExStr(out, 2, bytes, 4), "");  // no whole byte fits
  EXPECT_EQ(SysExStr(nullptr, 16, bytes, 4), nullptr);
}
