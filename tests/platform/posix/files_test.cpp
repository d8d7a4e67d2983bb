#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/utf.h"
#include "platform/win32.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;
using qiv::testing::Exists;
using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WindowsPath;
using qiv::testing::WriteFile;

constexpr FILEOP_FLAGS kQuietDelete =
    FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

int ShellDelete(const std::vector<std::wstring>& sources, FILEOP_FLAGS flags = kQuietDelete) {
  std::wstring from;
  for (const std::wstring& source : sources) from += source + L'\0';
  from += L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = flags;
  return SHFileOperationW(&operation);
}

// Runs `body` in a child process, when asked without root's right to ignore
// permissions, and returns its exit status; 77 means it could not drop them.
int RunInChild(const std::function<int()>& body, bool unprivileged) {
  const pid_t child = fork();
  if (child == 0) {
    if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(77);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

class FilesTest : public ::testing::Test {
 protected:
  std::string Make(const std::string& relative, const std::string& content = "x") {
    const std::string path = dir_.File(relative);
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, content);
    return path;
  }
  ScratchDir dir_;
};

TEST_F(FilesTest, AttributesDescribeWhatIsThere) {
  const std::string file = Make("file.lnk");
  const std::string readOnly = Make("readonly.txt");
  chmod(readOnly.c_str(), 0444);
  fs::create_directory(dir_.File("folder"));
  fs::create_symlink(file, dir_.File("file-link"));
  fs::create_directory_symlink(dir_.File("folder"), dir_.File("folder-link"));
  fs::create_symlink(dir_.File("gone"), dir_.File("dangling"));

  // A search for the exact name (no wildcards) finds the entry itself, by its name,
  // except where a folder is named with a trailing separator.
  const struct {
    std::wstring path;
    DWORD attributes;
    bool found;
  } cases[] = {
      {WindowsPath(file), FILE_ATTRIBUTE_NORMAL, true},
      {WindowsPath(readOnly), FILE_ATTRIBUTE_READONLY, true},
      {WindowsPath(dir_.File("folder")), FILE_ATTRIBUTE_DIRECTORY, true},
      {WindowsPath(dir_.File("folder")) + L"\\", FILE_ATTRIBUTE_DIRECTORY, false},
      {WindowsPath(dir_.File("file-link")), FILE_ATTRIBUTE_REPARSE_POINT, true},
      {WindowsPath(dir_.File("folder-link")),
       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, true},
      {WindowsPath(dir_.File("dangling")), FILE_ATTRIBUTE_REPARSE_POINT, true},
      {WindowsPath(dir_.File("missing")), INVALID_FILE_ATTRIBUTES, false},
      {L"C:\\Windows", INVALID_FILE_ATTRIBUTES, false},  // no QIV_DRIVE_ROOT in this test
      {L"", INVALID_FILE_ATTRIBUTES, false},
  };
  ScopedEnv noDrives("QIV_DRIVE_ROOT", nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(qiv::posix::Utf16ToUtf8(c.path));
    EXPECT_EQ(GetFileAttributesW(c.path.c_str()), c.attributes);
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW(c.path.c_str(), &entry);
    ASSERT_EQ(find != INVALID_HANDLE_VALUE, c.found);
    if (!c.found) continue;
    EXPECT_EQ(entry.dwFileAttributes, c.attributes);
    EXPECT_EQ(entry.cFileName, c.path.substr(c.path.rfind(L'\\') + 1));
    EXPECT_FALSE(FindNextFileW(find, &entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
  }
}

TEST_F(FilesTest, OtherDrivesLiveUnderTheDriveRoot) {
  Make("c/Users/Public/Desktop/Game.lnk");
  ScopedEnv drives("QIV_DRIVE_ROOT", dir_.Path().c_str());
  EXPECT_EQ(GetFileAttributesW(L"C:\\Users\\Public\\Desktop\\Game.lnk"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(DeleteFileW(L"c:\\users\\..\\Users\\Public\\Desktop\\Game.lnk"));
  EXPECT_FALSE(Exists(dir_.File("c/Users/Public/Desktop/Game.lnk")));
}

TEST_F(FilesTest, DeleteFileRemovesOnlyFilesAndLinks) {
  const std::string file = Make("a.lnk");
  const std::string target = Make("target.txt");
  const std::string readOnly = Make("readonly.lnk");
  chmod(readOnly.c_str(), 0444);
  fs::create_symlink(target, dir_.File("link"));
  fs::create_directory(dir_.File("folder"));

  EXPECT_TRUE(DeleteFileW(WindowsPath(file).c_str()));
  EXPECT_FALSE(Exists(file));
  EXPECT_TRUE(DeleteFileW(WindowsPath(dir_.File("link")).c_str()));
  EXPECT_FALSE(Exists(dir_.File("link")));
  EXPECT_TRUE(Exists(target));
  EXPECT_FALSE(DeleteFileW(WindowsPath(dir_.File("folder")).c_str()));
  EXPECT_TRUE(Exists(dir_.File("folder")));
  EXPECT_FALSE(DeleteFileW(WindowsPath(readOnly).c_str()));  // as Windows: read-only stays
  EXPECT_TRUE(Exists(readOnly));
  EXPECT_FALSE(DeleteFileW(WindowsPath(file).c_str()));
  EXPECT_FALSE(DeleteFileW(nullptr));
}

TEST_F(FilesTest, ShellDeleteRemovesTreesWithoutFollowingLinks) {
  Make("Game/appinstallconfig.xml");
  Make("Game/data/deep/er/file.bin");
  Make("Game/.hidden");
  const std::string outside = Make("outside/keep.txt");
  fs::create_directory_symlink(dir_.File("outside"), dir_.File("Game/data/dir-link"));
  fs::create_symlink(outside, dir_.File("Game/file-link"));
  fs::create_symlink(dir_.File("nowhere"), dir_.File("Game/dangling"));
  fs::create_directory_symlink(dir_.File("outside"), dir_.File("source-link"));
  const std::string single = Make("single.txt");

  EXPECT_EQ(ShellDelete({WindowsPath(dir_.File("Game")) + L"\\",
                         WindowsPath(dir_.File("source-link")), WindowsPath(single)}),
            0);
  EXPECT_FALSE(Exists(dir_.File("Game")));
  EXPECT_FALSE(Exists(dir_.File("source-link")));
  EXPECT_FALSE(Exists(single));
  EXPECT_TRUE(Exists(outside));
}

TEST_F(FilesTest, ShellDeleteReportsMissingSourcesAndGoesOn) {
  const std::string later = Make("later/file");
  EXPECT_NE(ShellDelete({WindowsPath(dir_.File("missing")), WindowsPath(dir_.File("later"))}), 0);
  EXPECT_FALSE(Exists(dir_.File("later")));
  ScopedEnv noDrives("QIV_DRIVE_ROOT", nullptr);
  EXPECT_NE(ShellDelete({L"C:\\Games\\Title"}), 0);
  EXPECT_NE(ShellDelete({WindowsPath(dir_.File("*"))}), 0);
}

TEST_F(FilesTest, ShellDeleteRefusesUndoAndOtherOperations) {
  const std::string file = Make("kept");
  EXPECT_NE(ShellDelete({WindowsPath(file)}, kQuietDelete | FOF_ALLOWUNDO), 0);
  EXPECT_TRUE(Exists(file));
  SHFILEOPSTRUCTW copy{};
  const std::wstring from = WindowsPath(file) + L'\0';
  copy.wFunc = 2;  // FO_COPY
  copy.pFrom = from.c_str();
  EXPECT_NE(SHFileOperationW(&copy), 0);
  EXPECT_NE(SHFileOperationW(nullptr), 0);
}

TEST_F(FilesTest, ShellDeleteNeverRemovesTheCurrentDirectory) {
  Make("cwd/file");
  const std::string cwd = dir_.File("cwd");
  // In a child, so that only the scratch directory is at stake should this fail.
  const int status = RunInChild(
      [&] {
        if (chdir(cwd.c_str()) != 0) return 2;
        return ShellDelete({L"."}) != 0 && ShellDelete({L".\\"}) != 0 ? 0 : 1;
      },
      false);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Exists(dir_.File("cwd/file")));
}

TEST_F(FilesTest, ShellDeleteGoesOnPastWhatItCannotRemove) {
  Make("Game/a.txt");
  Make("Game/sub/b.txt");
  Make("Game/locked/c.txt");
  Make("Game/z.txt");
  chmod(dir_.File("Game/locked").c_str(), 0555);
  // The child must be able to reach the tree when it runs as "nobody".
  for (const auto& entry : fs::recursive_directory_iterator(dir_.Path())) {
    if (lchown(entry.path().c_str(), 65534, 65534) != 0) break;
  }
  chmod(dir_.Path().c_str(), 0777);
  const std::wstring game = WindowsPath(dir_.File("Game"));
  const int status = RunInChild([&] { return ShellDelete({game}) != 0 ? 0 : 1; }, true);
  if (status == 77) GTEST_SKIP() << "cannot drop root rights here";
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Exists(dir_.File("Game/locked/c.txt")));
  EXPECT_FALSE(Exists(dir_.File("Game/a.txt")));
  EXPECT_FALSE(Exists(dir_.File("Game/sub")));
  EXPECT_FALSE(Exists(dir_.File("Game/z.txt")));
}

}  // namespace

#endif  // _WIN32
