#include "VstPresetFile.h"

#include "ByteStream.h"

#include "pluginterfaces/base/funknown.h"
#include "public.sdk/source/vst/vstpresetfile.h"

#include <cctype>
#include <cstring>

using namespace Steinberg;

namespace {

constexpr size_t kHeaderSize = 48;  // "VST3", version, 32-character class ID, list offset
constexpr size_t kEntrySize = 20;   // chunk ID, offset, size
constexpr int32_t kMaxEntries = 128;

int64_t ReadInt64(const std::vector<uint8_t>& b, size_t pos)
{
  int64_t v = 0;
  std::memcpy(&v, b.data() + pos, sizeof v); // little-endian, as on every supported target
  return v;
}

int32_t ReadInt32(const std::vector<uint8_t>& b, size_t pos)
{
  int32_t v = 0;
  std::memcpy(&v, b.data() + pos, sizeof v);
  return v;
}

std::string ChunkName(const uint8_t* id)
{
  std::string s = "'";
  for (int i = 0; i < 4; ++i)
    s += (id[i] >= 0x20 && id[i] < 0x7F) ? static_cast<char>(id[i]) : '?';
  return s + "'";
}

std::string XmlEscape(const std::string& s)
{
  std::string out;
  for (char c : s) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    default: out += c;
    }
  }
  return out;
}

} // namespace

std::string PresetClassIdText(const TUID& cid)
{
  char text[33] = {};
  FUID::fromTUID(cid).toString(text);
  return text;
}

bool WriteVstPreset(const TUID& cid, const std::vector<uint8_t>& component, const std::vector<uint8_t>& controller,
                    const std::string& metaInfoXml, std::vector<uint8_t>& file, std::string& error)
{
  if (component.empty()) {
    error = "no component state to write";
    return false;
  }
  ByteStream out;
  ByteStream componentStream(component);
  ByteStream controllerStream(controller);
  const bool ok = Vst::PresetFile::savePreset(
      &out, FUID::fromTUID(cid), &componentStream, controller.empty() ? nullptr : &controllerStream,
      metaInfoXml.empty() ? nullptr : metaInfoXml.c_str(), static_cast<int32>(metaInfoXml.size()));
  if (!ok) {
    error = "the preset could not be written";
    return false;
  }
  file = out.Bytes();
  return true;
}

bool ReadVstPreset(const std::vector<uint8_t>& b, VstPresetContents& contents, std::string& error)
{
  if (b.size() < 4 || std::memcmp(b.data(), "VST3", 4) != 0) {
    error = "not a VST 3 preset file";
    return false;
  }
  if (b.size() < kHeaderSize) {
    error = "truncated header";
    return false;
  }
  std::string classId(reinterpret_cast<const char*>(b.data()) + 8, 32);
  for (char c : classId)
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      error = "bad class ID in the header";
      return false;
    }
  const int64_t listOffset = ReadInt64(b, 40);
  if (listOffset < static_cast<int64_t>(kHeaderSize) || listOffset > static_cast<int64_t>(b.size()) - 8) {
    error = "the chunk list lies past the end of the file";
    return false;
  }
  const size_t list = static_cast<size_t>(listOffset);
  if (std::memcmp(b.data() + list, "List", 4) != 0) {
    error = "no chunk list where the header points";
    return false;
  }
  const int32_t count = ReadInt32(b, list + 4);
  if (count <= 0 || count > kMaxEntries) {
    error = "bad chunk count " + std::to_string(count);
    return false;
  }
  if (b.size() - list - 8 < static_cast<size_t>(count) * kEntrySize) {
    error = "truncated chunk list";
    return false;
  }
  bool hasComponent = false;
  for (int32_t i = 0; i < count; ++i) {
    const size_t e = list + 8 + static_cast<size_t>(i) * kEntrySize;
    const int64_t offset = ReadInt64(b, e + 4);
    const int64_t size = ReadInt64(b, e + 12);
    const std::string name = ChunkName(b.data() + e);
    if (size <= 0) {
      error = "zero-length " + name + " chunk";
      return false;
    }
    // Chunks lie between the header and the chunk list.
    if (offset < static_cast<int64_t>(kHeaderSize) || offset > listOffset || size > listOffset - offset) {
      error = "chunk " + name + " lies past the end of the file";
      return false;
    }
    hasComponent = hasComponent || std::memcmp(b.data() + e, "Comp", 4) == 0;
  }
  if (!hasComponent) {
    error = "no component state in the file";
    return false;
  }

  // Everything is in range: let the SDK's reader take the chunks apart.
  ByteStream in(b);
  Vst::PresetFile pf(&in);
  if (!pf.readChunkList()) {
    error = "unreadable chunk list";
    return false;
  }
  auto take = [&](Vst::ChunkType type, std::vector<uint8_t>& to) {
    const Vst::PresetFile::Entry* entry = pf.getEntry(type);
    if (entry)
      to.assign(b.begin() + entry->offset, b.begin() + entry->offset + entry->size);
  };
  VstPresetContents c;
  c.classId = classId;
  take(Vst::kComponentState, c.component);
  take(Vst::kControllerState, c.controller);
  std::vector<uint8_t> meta;
  take(Vst::kMetaInfo, meta);
  c.metaInfo.assign(meta.begin(), meta.end());
  contents = std::move(c);
  return true;
}

std::string PresetMetaInfo(const std::string& presetName, const std::string& plugName, const std::string& category,
                           const std::string& comment)
{
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MetaInfo>\n";
  auto attr = [&](const char* id, const std::string& value) {
    xml += "\t<Attr id=\"" + std::string(id) + "\" value=\"" + XmlEscape(value) + "\" type=\"string\"/>\n";
  };
  attr("MediaType", "VstPreset");
  attr("PlugInName", plugName);
  attr("PlugInCategory", category);
  attr("Name", presetName);
  if (!comment.empty())
    attr("Comment", comment);
  xml += "</MetaInfo>\n";
  return xml;
}
