#include "Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

bool FileExists(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& p)
{
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b)
{
  if (a == b)
    return true;
  struct stat sa;
  struct stat sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string BaseName(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}


bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& why)
{
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "not a file";
    return false;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    why = std::strerror(errno);
    return false;
  }
  why = "read error";
  bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f)
    return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  f.close();
  return static_cast<bool>(f);
}

bool WriteAudioInPlace(const std::string& path, const AudioData& audio, const std::string& subformat,
                       std::string& error)
{
  const std::string temp = DirName(path) + "/.tesk-render-" + std::to_string(getpid()) + "-" + BaseName(path);
  if (!WriteAudioFile(temp, audio, subformat, error)) {
    std::remove(temp.c_str());
    if (error.find(temp) != std::string::npos)
      error.replace(error.find(temp), temp.size(), path);
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    error = "cannot write audio file " + path;
    return false;
  }
  return true;
}
