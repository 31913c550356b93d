#pragma once

#include <string>

// Folders a Linux editor hands out, following the XDG base-directory and user-dirs
// conventions. Every result ends without a trailing "/" unless stated.
namespace XdgPaths {

// $HOME, or the password database's home when unset; "/" when neither is known.
std::string Home();
// The user's settings: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome();
// The user's desktop: XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (with $HOME
// expanded), else ~/Desktop.
std::string Desktop();
// Application data: $XDG_DATA_HOME or ~/.local/share for the user; the first entry of
// $XDG_DATA_DIRS or /usr/local/share for the system.
std::string AppSupport(bool system);
// A folder any host may write: the user's music folder (XDG_MUSIC_DIR, else ~/Music).
std::string SandboxSafeAppSupport();
// The folder that contains a file path, ending in "/" ("" for a path without "/").
std::string FolderOf(const std::string& path);

}  // namespace XdgPaths
