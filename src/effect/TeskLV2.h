#pragma once

// The LV2 edition's identity. Saved sessions and presets name these URIs: they never
// change. The port symbols are the parameters' codes (TeskParams::kTable), which never
// change either.
namespace TeskLV2 {

constexpr const char* kPluginURI = "https://quillfen.example/lv2/tesk";
constexpr const char* kUIURI = "https://quillfen.example/lv2/tesk#ui";
// Factory presets are <kPresetURIPrefix><number>, numbered from 1 in the presets' order.
constexpr const char* kPresetURIPrefix = "https://quillfen.example/lv2/tesk/preset#";

// The bundle's data files.
constexpr const char* kPluginFile = "Tesk.ttl";
constexpr const char* kUIFile = "Tesk_ui.ttl";
constexpr const char* kPresetsFile = "presets.ttl";

}  // namespace TeskLV2
