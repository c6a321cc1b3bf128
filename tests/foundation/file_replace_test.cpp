#include "foundation/file_replace.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "support/test_files.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

// The names in the folder: a failed write leaves no temporary file.
std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileReplace, ReplacesTheWholeFileAndKeepsItsPermissions) {
  test::TempDir dir;
  const std::string path = dir / "scene.ovs";
  ASSERT_TRUE(ReplaceFileContents(path, "first version, rather long\n"));
  EXPECT_EQ(ReadText(path), "first version, rather long\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFileContents(path, "second\n"));
  EXPECT_EQ(ReadText(path), "second\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"scene.ovs"});
}

// Every failure leaves the old file as it was and nothing else in its folder.
TEST(FileReplace, FailedWritesLoseNothing) {
  test::TempDir dir;
  const std::string path = dir / "scene.ovs";
  ASSERT_TRUE(ReplaceFileContents(path, "old\n"));
  fs::create_directory(dir / "folder");
  EXPECT_FALSE(ReplaceFileContents(dir / "folder", "new\n"));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_FALSE(ReplaceFileContents(dir / "missing/scene.ovs", "new\n"));
  EXPECT_FALSE(ReplaceFileContents(std::string(), "new\n"));

  // A full disk: the process may write only a few bytes per file.
  struct rlimit old_limit {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 8;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = ReplaceFileContents(path, std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadText(path), "old\n");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"folder", "scene.ovs"}));

  if (::geteuid() != 0) {  // the superuser writes anywhere
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(ReplaceFileContents(path, "new\n"));
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadText(path), "old\n");
  }
}

// Devices are written in place, never replaced by a file.
TEST(FileReplace, DevicesAreWrittenInPlace) {
  EXPECT_FALSE(ReplaceFileContents(std::string("/dev/full"), "text"));
  EXPECT_TRUE(ReplaceFileContents(std::string("/dev/null"), "text"));
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
}  // namespace orvane
