#pragma once

#include <string>

// A per-user settings file of "key = value" lines ('#' starts a comment line), such as
// ~/.config/Quillfen/Tesk.conf. Reading never fails loudly: a missing or unreadable file, or
// a line that does not parse, simply has no value. Writing replaces the file as a whole
// through a temporary file in the same folder that is renamed into place, so a crash or a
// full disk never leaves a half-written file; the other lines are kept as they were.
//
// No state: every call reads or writes the file. Any thread, but the file is not locked: two
// writers at the same moment keep one of their versions whole.
namespace UserSettings {

// $XDG_CONFIG_HOME/<vendor>/<product>.conf (XdgPaths::ConfigHome). "" when a name is empty,
// "." or "..", or contains '/'.
std::string FilePath(const std::string& vendor, const std::string& product);

// The value of key (spaces around it removed); false when there is none.
bool Read(const std::string& path, const std::string& key, std::string* value);

// Sets key to value, creating the file and its folder (mode 0700, as the convention asks)
// when missing. False, the file untouched, when it cannot be written, or when it exists but
// cannot be read (its other lines would be lost). Keys and values are single lines.
bool Write(const std::string& path, const std::string& key, const std::string& value);

}  // namespace UserSettings
