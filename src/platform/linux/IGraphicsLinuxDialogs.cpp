// Dialogs and URLs: message boxes and file choosers through zenity when it is installed,
// URLs through xdg-open.

#include <limits.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/linux/IGraphicsLinux.h"
#include "platform/linux/ProcessLauncher.h"
#include "platform/linux/XdgPaths.h"

int IGraphicsLinux::ShowMessageBox(const char* text, const char* caption, int type)
{
  // Without zenity the answer is the default button.
  if (!ProcessLauncher::IsAvailable("zenity")) return 1;
  std::vector<std::string> args = {"zenity", "--no-markup", "--title=" + std::string(caption ? caption : ""),
                                   "--text=" + std::string(text ? text : "")};
  switch (type)
  {
    case 1:
      args.insert(args.begin() + 1, "--question");
      args.push_back("--ok-label=OK");
      args.push_back("--cancel-label=Cancel");
      break;
    case 3:
      args.insert(args.begin() + 1, "--question");
      args.push_back("--ok-label=Yes");
      args.push_back("--cancel-label=No");
      args.push_back("--extra-button=Cancel");
      break;
    case 4:
      args.insert(args.begin() + 1, "--question");
      args.push_back("--ok-label=Yes");
      args.push_back("--cancel-label=No");
      break;
    default:
      args.insert(args.begin() + 1, "--info");
      break;
  }
  std::string out;
  const int status = ProcessLauncher::RunAndCapture(args, &out);
  if (status == 0) return 1;
  if (type == 3 && out == "Cancel") return 2;
  if (status == 1 && (type == 1 || type == 3 || type == 4)) return 7;
  return 0;
}

void IGraphicsLinux::PromptForFile(Core_String* file, EFileAction action, Core_String* dir, char* extensions)
{
  if (!file) return;
  if (!WindowIsOpen())
  {
    file->Set("");
    return;
  }
  const std::string proposed = file->Get() ? file->Get() : "";
  std::string folder = dir && dir->Get() && *dir->Get() ? dir->Get() : "";
  if (folder.empty())
  {
    folder = XdgPaths::Desktop();
    if (dir) dir->Set(folder.c_str());
  }
  file->Set("");
  if (!ProcessLauncher::IsAvailable("zenity")) return;  // nothing chosen

  std::vector<std::string> args = {"zenity", "--file-selection"};
  if (action == kFileSave)
  {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  std::string start = folder;
  if (start.empty() || start.back() != '/') start += "/";
  args.push_back("--filename=" + start + proposed);
  if (extensions && *extensions)
  {
    std::string patterns;
    std::string all(extensions);
    size_t pos = 0;
    while (pos <= all.size())
    {
      size_t end = all.find(' ', pos);
      if (end == std::string::npos) end = all.size();
      if (end > pos) patterns += (patterns.empty() ? "*." : " *.") + all.substr(pos, end - pos);
      pos = end + 1;
    }
    if (!patterns.empty()) args.push_back("--file-filter=" + patterns);
  }
  std::string chosen;
  if (ProcessLauncher::RunAndCapture(args, &chosen) == 0 && !chosen.empty())
  {
    file->Set(chosen.c_str());
    if (dir) dir->Set(XdgPaths::FolderOf(chosen).c_str());
  }
}

bool IGraphicsLinux::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url || !*url) return true;  // nothing that could be opened
  std::string target(url);
  if (target.find("http") == std::string::npos && target.compare(0, 7, "file://") != 0 && target[0] != '/')
  {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) target = std::string(cwd) + "/" + target;
  }
  return ProcessLauncher::StartDetached({"xdg-open", target});
}
