#pragma once
// VST 3 preset files (.vstpreset): a 48-byte header (the "VST3" magic, format version,
// the component's class ID as 32 hexadecimal characters and the offset of the chunk
// list), the chunks, and the chunk list ("List", a count, then per chunk its four-
// character ID, offset and size). Written with the SDK's PresetFile; read with every
// offset and size checked before anything is used.

#include "pluginterfaces/base/funknown.h"

#include <cstdint>
#include <string>
#include <vector>

struct VstPresetContents
{
  std::string classId;                // 32 hexadecimal characters, as in the header
  std::vector<uint8_t> component;     // the "Comp" chunk: the component's state
  std::vector<uint8_t> controller;    // the "Cont" chunk, empty when the file has none
  std::string metaInfo;               // the "Info" chunk (XML), empty when the file has none
};

// The class ID as the preset header writes it.
std::string PresetClassIdText(const Steinberg::TUID& cid);

// Builds a preset file for class `cid` with both states and, when `metaInfoXml` is not
// empty, a meta-information chunk. `component` must not be empty.
bool WriteVstPreset(const Steinberg::TUID& cid, const std::vector<uint8_t>& component,
                    const std::vector<uint8_t>& controller, const std::string& metaInfoXml,
                    std::vector<uint8_t>& file, std::string& error);

// Parses a preset file's bytes. False with a short `error` (no file name) when the bytes
// are not a VST 3 preset, are truncated, hold a chunk outside the file or of zero
// length, or lack the component state. The class ID is not checked here.
bool ReadVstPreset(const std::vector<uint8_t>& file, VstPresetContents& contents, std::string& error);

// The meta-information XML for a preset: its name, the plug-in's name and category, and
// an optional comment.
std::string PresetMetaInfo(const std::string& presetName, const std::string& plugName,
                           const std::string& category, const std::string& comment);
