#include "platform/linux/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace XdgPaths {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// Reads NAME="value" from user-dirs.dirs; "" when absent. Only $HOME is expanded,
// as the file's format allows.
std::string UserDir(const char* name) {
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  std::string line;
  const std::string key = std::string(name) + "=";
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) value = Home() + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return std::string();
}

}  // namespace

std::string Home() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string ConfigHome() {
  // Relative paths are invalid by the convention and are ignored.
  std::string config = Env("XDG_CONFIG_HOME");
  return !config.empty() && config.front() == '/' ? config : Home() + "/.config";
}

std::string Desktop() {
  std::string dir = UserDir("XDG_DESKTOP_DIR");
  return dir.empty() ? Home() + "/Desktop" : dir;
}

std::string AppSupport(bool system) {
  if (system) {
    std::string dirs = Env("XDG_DATA_DIRS");
    std::string first = dirs.substr(0, dirs.find(':'));
    return first.empty() ? "/usr/local/share" : first;
  }
  std::string data = Env("XDG_DATA_HOME");
  return data.empty() ? Home() + "/.local/share" : data;
}

std::string SandboxSafeAppSupport() {
  std::string dir = UserDir("XDG_MUSIC_DIR");
  return dir.empty() ? Home() + "/Music" : dir;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace XdgPaths
