#include "platform/linux/UserSettings.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/linux/XdgPaths.h"

namespace UserSettings {
namespace {

constexpr size_t kMaxFileBytes = 64 * 1024;  // a settings file is small; more is not ours

std::string Trim(const std::string& s) {
  const char* spaces = " \t\r";
  const size_t first = s.find_first_not_of(spaces);
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(spaces) - first + 1);
}

bool SafeName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The key of a "key = value" line, or "" for comments, blank and malformed lines.
std::string KeyOf(const std::string& line, std::string* value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == '#') return std::string();
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return std::string();
  if (value) *value = Trim(t.substr(eq + 1));
  return Trim(t.substr(0, eq));
}

// The whole file into *text: true when read, or when it does not exist (*text empty).
// False for any other failure, or a file too large to be a settings file.
bool Slurp(const std::string& path, std::string* text, bool* exists) {
  text->clear();
  *exists = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  *exists = true;
  char buf[4096];
  bool ok = true;
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    text->append(buf, static_cast<size_t>(n));
    if (text->size() > kMaxFileBytes) {
      ok = false;
      break;
    }
  }
  close(fd);
  return ok;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Creates every missing folder of dir (mode 0700).
bool MakeFolders(const std::string& dir) {
  if (dir.empty()) return false;
  for (size_t slash = 1; slash != std::string::npos;) {
    slash = dir.find('/', slash + 1);
    const std::string part = dir.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string FilePath(const std::string& vendor, const std::string& product) {
  if (!SafeName(vendor) || !SafeName(product)) return std::string();
  return XdgPaths::ConfigHome() + "/" + vendor + "/" + product + ".conf";
}

bool Read(const std::string& path, const std::string& key, std::string* value) {
  std::string text;
  bool exists = false;
  if (path.empty() || key.empty() || !Slurp(path, &text, &exists)) return false;
  for (const std::string& line : Lines(text)) {
    std::string v;
    if (KeyOf(line, &v) == key) {
      if (value) *value = v;
      return true;
    }
  }
  return false;
}

bool Write(const std::string& path, const std::string& key, const std::string& value) {
  if (path.empty() || key.empty() || key.find_first_of("=\n#") != std::string::npos ||
      Trim(key) != key || value.find('\n') != std::string::npos)
    return false;
  std::string old;
  bool exists = false;
  if (!Slurp(path, &old, &exists)) return false;

  // The same lines, the first line of key replaced (later ones dropped), or one added.
  std::string text;
  bool written = false;
  for (const std::string& line : Lines(old)) {
    if (KeyOf(line, nullptr) == key) {
      if (written) continue;
      text += key + " = " + value + "\n";
      written = true;
    } else {
      text += line + "\n";
    }
  }
  if (!written) text += key + " = " + value + "\n";

  // A link keeps pointing at the file: replace what it points at.
  std::string target = path;
  char real[PATH_MAX];
  if (exists && realpath(path.c_str(), real)) target = real;
  const size_t slash = target.rfind('/');
  if (slash == std::string::npos || !MakeFolders(target.substr(0, slash))) return false;

  struct stat st;
  const mode_t mode = exists && stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace UserSettings
