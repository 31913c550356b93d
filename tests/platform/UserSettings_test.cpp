#include "platform/linux/UserSettings.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string MakeTempDir() {
  char tmpl[] = "/tmp/tesk-settings-XXXXXX";
  return mkdtemp(tmpl);
}

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// Names in a folder other than . and .. (a temporary file left behind would show here).
int Entries(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++n;
    closedir(d);
  }
  return n;
}

}  // namespace

TEST(UserSettings, TheFileLivesInTheUsersConfigFolder) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(UserSettings::FilePath("Quillfen", "Tesk"), "/cfg/Quillfen/Tesk.conf");
  for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_EQ(UserSettings::FilePath(bad, "Tesk"), "") << bad;
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST(UserSettings, ReadsWhatIsThereAndNothingElse) {
  const std::string dir = MakeTempDir();
  const std::string path = dir + "/Tesk.conf";
  std::string value = "untouched";
  EXPECT_FALSE(UserSettings::Read(path, "editor-scale", &value));  // no file
  EXPECT_EQ(value, "untouched");

  Put(path, "# a comment = 1\n  editor-scale =  150 \r\nnot a setting\ncolour=dark\n=orphan\n");
  const struct {
    const char* key;
    const char* value;  // null: none
  } cases[] = {{"editor-scale", "150"}, {"colour", "dark"}, {"# a comment", nullptr}, {"size", nullptr}, {"", nullptr}};
  for (const auto& c : cases) {
    value = "untouched";
    EXPECT_EQ(UserSettings::Read(path, c.key, &value), c.value != nullptr) << c.key;
    EXPECT_EQ(value, c.value ? c.value : "untouched") << c.key;
  }
  // A folder where the file should be is no file to read.
  mkdir((dir + "/folder.conf").c_str(), 0700);
  EXPECT_FALSE(UserSettings::Read(dir + "/folder.conf", "editor-scale", &value));
}

TEST(UserSettings, WritesSafelyAndKeepsTheOtherLines) {
  const std::string dir = MakeTempDir();
  const std::string path = dir + "/Quillfen/deeper/Tesk.conf";

  // Missing folders are made; the file holds the one line.
  ASSERT_TRUE(UserSettings::Write(path, "editor-scale", "200"));
  EXPECT_EQ(Contents(path), "editor-scale = 200\n");
  struct stat st;
  ASSERT_EQ(stat((dir + "/Quillfen").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Another key is added, the same key replaced (its later duplicates dropped), everything
  // else kept as it was; no temporary file is left beside it.
  Put(path, "# mine\neditor-scale = 200\ncolour = dark\neditor-scale=100\nodd line");
  ASSERT_TRUE(UserSettings::Write(path, "editor-scale", "150"));
  ASSERT_TRUE(UserSettings::Write(path, "theme", "light"));
  EXPECT_EQ(Contents(path), "# mine\neditor-scale = 150\ncolour = dark\nodd line\ntheme = light\n");
  EXPECT_EQ(Entries(dir + "/Quillfen/deeper"), 1);
  std::string value;
  ASSERT_TRUE(UserSettings::Read(path, "editor-scale", &value));
  EXPECT_EQ(value, "150");

  // A link stays a link to the file it names.
  const std::string link = dir + "/link.conf";
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
  ASSERT_TRUE(UserSettings::Write(link, "editor-scale", "100"));
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_TRUE(UserSettings::Read(path, "editor-scale", &value));
  EXPECT_EQ(value, "100");

  // Refused, with nothing changed: keys and values that would break the format, a file that
  // exists but cannot be read (its lines would be lost), a folder that cannot be made.
  const std::string before = Contents(path);
  for (const char* key : {"", "a=b", "two\nlines", " padded", "#comment"})
    EXPECT_FALSE(UserSettings::Write(path, key, "1")) << key;
  EXPECT_FALSE(UserSettings::Write(path, "editor-scale", "1\n2"));
  EXPECT_EQ(Contents(path), before);
  mkdir((dir + "/folder.conf").c_str(), 0700);
  EXPECT_FALSE(UserSettings::Write(dir + "/folder.conf", "editor-scale", "150"));
  Put(dir + "/plain", "x");
  EXPECT_FALSE(UserSettings::Write(dir + "/plain/Tesk.conf", "editor-scale", "150"));
  EXPECT_EQ(Contents(dir + "/plain"), "x");
  EXPECT_FALSE(UserSettings::Write("", "editor-scale", "150"));

  std::string cmd = "rm -rf '" + dir + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}
