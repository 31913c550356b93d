#pragma once

#include <string>
#include <vector>

// Starts helper programs (xdg-open, zenity) without a shell, so no text of the user's
// or the host's is ever interpreted as a command line.
namespace ProcessLauncher {

// True when an executable of that name is on $PATH.
bool IsAvailable(const char* program);

// Starts argv[0] (searched on $PATH) detached; does not wait. False when it could not start.
bool StartDetached(const std::vector<std::string>& argv);

// Runs argv[0] and waits for it; its standard output (at most maxOutput bytes, the final
// line feed removed) goes to output. Returns the exit status, or -1 when it could not run.
int RunAndCapture(const std::vector<std::string>& argv, std::string* output, size_t maxOutput = 65536);

}  // namespace ProcessLauncher
