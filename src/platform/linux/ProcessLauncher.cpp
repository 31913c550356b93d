#include "platform/linux/ProcessLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>

extern char** environ;

namespace ProcessLauncher {
namespace {

std::vector<char*> ArgvOf(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

bool IsAvailable(const char* program) {
  const char* path = std::getenv("PATH");
  if (!program || !*program || !path) return false;
  std::string dirs(path);
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + program;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return true;
    start = end + 1;
  }
  return false;
}

bool StartDetached(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  std::vector<char*> argv = ArgvOf(args);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  // Children started here are reaped here, without waiting, once they have finished; never
  // anyone else's (the host may wait for children of its own).
  static std::vector<pid_t> started;
  for (size_t i = 0; i < started.size();) {
    if (waitpid(started[i], nullptr, WNOHANG) != 0) {
      started.erase(started.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
  if (rc == 0) started.push_back(pid);
  return rc == 0;
}

int RunAndCapture(const std::vector<std::string>& args, std::string* output, size_t maxOutput) {
  if (output) output->clear();
  if (args.empty()) return -1;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  std::vector<char*> argv = ArgvOf(args);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return -1;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (output && output->size() < maxOutput)
      output->append(buffer, std::min(static_cast<size_t>(n), maxOutput - output->size()));
  }
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (output && !output->empty() && output->back() == '\n') output->pop_back();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace ProcessLauncher
