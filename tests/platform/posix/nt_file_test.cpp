// The stand-in's calls through handles, held to the Windows behaviour the program
// relies on: entries opened relative to a folder by literal names, links opened as
// themselves, creation that never reuses a name, renames that replace an entry and
// never write through it, deletion by handle, and folder listings.
#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "platform/relative_name.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"
#include "scratch.h"

namespace {

using qiv::testing::Exists;
using qiv::testing::ReadFile;
using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WindowsPath;
using qiv::testing::WriteFile;

NTSTATUS Open(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG disposition,
              ULONG options, qiv::platform::ScopedFile& result) {
  qiv::platform::RelativeName relative(root, name);
  IO_STATUS_BLOCK io{};
  return NtCreateFile(result.Receive(), access | SYNCHRONIZE, &relative.object, &io, nullptr, 0,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
                      options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT, nullptr,
                      0);
}

DWORD Attributes(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag))
             ? tag.FileAttributes
             : 0;
}

bool Rename(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(WCHAR));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(WCHAR));
  name.copy(rename->FileName, name.size());
  return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size())) != FALSE;
}

class NtFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir(scratch_.File("dir").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(scratch_.File("dir/sub").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(scratch_.File("decoy").c_str(), 0700), 0);
    WriteFile(scratch_.File("dir/file"), "data");
    WriteFile(scratch_.File("dir/dot."), "dot");
    WriteFile(scratch_.File("dir/dot"), "plain");
    WriteFile(scratch_.File("dir/blank "), "blank");
    WriteFile(scratch_.File("decoy/keep"), "keep");
    ASSERT_EQ(symlink(scratch_.File("decoy").c_str(), scratch_.File("dir/dirlink").c_str()), 0);
    ASSERT_EQ(symlink(scratch_.File("decoy/keep").c_str(), scratch_.File("dir/filelink").c_str()),
              0);
    ASSERT_EQ(symlink(scratch_.File("nowhere").c_str(), scratch_.File("dir/dangling").c_str()), 0);
    root_.Reset(CreateFileW(WindowsPath(scratch_.File("dir")).c_str(),
                            FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_NE(root_.Get(), INVALID_HANDLE_VALUE);
  }

  ScratchDir scratch_;
  qiv::platform::ScopedFile root_;
};

TEST_F(NtFileTest, RelativeOpensTakeNamesLiterallyAndLinksAsThemselves) {
  constexpr ULONG kItself = FILE_OPEN_REPARSE_POINT;
  constexpr DWORD kLink = FILE_ATTRIBUTE_REPARSE_POINT;
  constexpr DWORD kDir = FILE_ATTRIBUTE_DIRECTORY;
  const struct {
    const wchar_t* name;
    ULONG options;
    NTSTATUS status;
    DWORD attributes;  // of the opened object, when opened
  } cases[] = {
      {L"file", 0, STATUS_SUCCESS, FILE_ATTRIBUTE_NORMAL},
      {L"sub", FILE_DIRECTORY_FILE, STATUS_SUCCESS, kDir},
      {L"sub", FILE_NON_DIRECTORY_FILE, STATUS_FILE_IS_A_DIRECTORY, 0},
      {L"file", FILE_DIRECTORY_FILE, STATUS_NOT_A_DIRECTORY, 0},
      {L"dirlink", kItself, STATUS_SUCCESS, kLink | kDir},
      {L"dirlink", kItself | FILE_NON_DIRECTORY_FILE, STATUS_FILE_IS_A_DIRECTORY, 0},
      {L"dirlink", 0, STATUS_SUCCESS, kDir},  // followed
      {L"filelink", kItself, STATUS_SUCCESS, kLink},
      {L"dangling", kItself, STATUS_SUCCESS, kLink},
      {L"dangling", 0, STATUS_OBJECT_NAME_NOT_FOUND, 0},
      {L"missing", 0, STATUS_OBJECT_NAME_NOT_FOUND, 0},
      {L"sub\\..\\file", 0, STATUS_OBJECT_NAME_INVALID, 0},
      {L"sub/x", 0, STATUS_OBJECT_NAME_INVALID, 0},
      {L"..", 0, STATUS_OBJECT_NAME_INVALID, 0},
      {L".", 0, STATUS_OBJECT_NAME_INVALID, 0},
      {L"", FILE_DIRECTORY_FILE, STATUS_SUCCESS, kDir},  // the folder itself
  };
  for (const auto& entry : cases) {
    qiv::platform::ScopedFile handle;
    EXPECT_EQ(Open(root_.Get(), entry.name, FILE_READ_ATTRIBUTES, FILE_OPEN, entry.options, handle),
              entry.status)
        << qiv::posix::Utf16ToUtf8(entry.name) << " options " << entry.options;
    if (entry.status == STATUS_SUCCESS) {
      EXPECT_EQ(Attributes(handle.Get()), entry.attributes) << qiv::posix::Utf16ToUtf8(entry.name);
    }
  }
  // A trailing dot or blank is part of the name, not dropped as Win32 paths drop it.
  qiv::platform::ScopedFile dot;
  qiv::platform::ScopedFile blank;
  ASSERT_EQ(Open(root_.Get(), L"dot.", FILE_READ_ATTRIBUTES, FILE_OPEN, 0, dot), STATUS_SUCCESS);
  ASSERT_EQ(Open(root_.Get(), L"blank ", FILE_READ_ATTRIBUTES, FILE_OPEN, 0, blank),
            STATUS_SUCCESS);
  BY_HANDLE_FILE_INFORMATION info{};
  ASSERT_TRUE(GetFileInformationByHandle(dot.Get(), &info));
  EXPECT_EQ(info.nFileSizeLow, 3u);  // "dot", not "plain"
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_OBJECT_NAME_COLLISION),
            static_cast<ULONG>(ERROR_ALREADY_EXISTS));
}

TEST_F(NtFileTest, CreationNeverReusesANameInAnyForm) {
  for (const wchar_t* existing : {L"file", L"sub", L"filelink", L"dangling", L"dirlink"}) {
    for (const ULONG options : {ULONG{FILE_NON_DIRECTORY_FILE}, ULONG{FILE_DIRECTORY_FILE}}) {
      qiv::platform::ScopedFile handle;
      EXPECT_EQ(Open(root_.Get(), existing, GENERIC_WRITE, FILE_CREATE, options, handle),
                STATUS_OBJECT_NAME_COLLISION)
          << qiv::posix::Utf16ToUtf8(existing);
    }
  }
  EXPECT_FALSE(Exists(scratch_.File("nowhere")));
  EXPECT_EQ(ReadFile(scratch_.File("decoy/keep")), "keep");

  qiv::platform::ScopedFile created;
  ASSERT_EQ(Open(root_.Get(), L"new.tmp", GENERIC_WRITE | DELETE, FILE_CREATE,
                 FILE_NON_DIRECTORY_FILE, created),
            STATUS_SUCCESS);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(created.Get(), "text", 4, &written, nullptr));
  EXPECT_EQ(written, 4u);
  EXPECT_TRUE(FlushFileBuffers(created.Get()));
  EXPECT_EQ(ReadFile(scratch_.File("dir/new.tmp")), "text");
  qiv::platform::ScopedFile folder;
  ASSERT_EQ(
      Open(root_.Get(), L"made", FILE_LIST_DIRECTORY, FILE_CREATE, FILE_DIRECTORY_FILE, folder),
      STATUS_SUCCESS);
  EXPECT_TRUE(Exists(scratch_.File("dir/made")));
  // A handle without write access writes nothing.
  qiv::platform::ScopedFile reader;
  ASSERT_EQ(Open(root_.Get(), L"file", FILE_READ_ATTRIBUTES, FILE_OPEN, 0, reader), STATUS_SUCCESS);
  EXPECT_FALSE(::WriteFile(reader.Get(), "x", 1, &written, nullptr));
  EXPECT_EQ(ReadFile(scratch_.File("dir/file")), "data");
}

TEST_F(NtFileTest, RenameReplacesTheEntryAndNeverWritesThroughIt) {
  WriteFile(scratch_.File("other"), "other");
  ASSERT_EQ(link(scratch_.File("other").c_str(), scratch_.File("dir/hard").c_str()), 0);
  const struct {
    const wchar_t* target;
    bool replace;
    bool renamed;
  } cases[] = {
      {L"filelink", true, true},  // the link goes, decoy/keep stays as it was
      {L"dangling", true, true},  // nothing is created at "nowhere"
      {L"hard", true, true},      // "other" keeps its text
      {L"dot", false, false},    {L"sub", true, false},  // a folder is never replaced
      {L"a\\b", true, false},
  };
  int round = 0;
  for (const auto& entry : cases) {
    const std::wstring source = L"src" + std::to_wstring(round++);
    WriteFile(scratch_.File("dir/" + qiv::posix::Utf16ToUtf8(source)), "new");
    qiv::platform::ScopedFile handle;
    ASSERT_EQ(Open(root_.Get(), source, DELETE, FILE_OPEN, FILE_OPEN_REPARSE_POINT, handle),
              STATUS_SUCCESS);
    EXPECT_EQ(Rename(handle.Get(), root_.Get(), entry.target, entry.replace), entry.renamed)
        << qiv::posix::Utf16ToUtf8(entry.target);
    if (entry.renamed) {
      EXPECT_EQ(ReadFile(scratch_.File("dir/" + qiv::posix::Utf16ToUtf8(entry.target))), "new");
    }
  }
  EXPECT_EQ(ReadFile(scratch_.File("decoy/keep")), "keep");
  EXPECT_EQ(ReadFile(scratch_.File("other")), "other");
  EXPECT_FALSE(Exists(scratch_.File("nowhere")));
  EXPECT_EQ(ReadFile(scratch_.File("dir/dot")), "plain");
}

TEST_F(NtFileTest, DispositionDeletesTheHeldEntryOnly) {
  WriteFile(scratch_.File("dir/readonly"), "r");
  ASSERT_EQ(chmod(scratch_.File("dir/readonly").c_str(), 0444), 0);
  const struct {
    const wchar_t* name;
    ACCESS_MASK access;
    FILE_INFO_BY_HANDLE_CLASS infoClass;
    DWORD flags;
    bool deleted;
  } cases[] = {
      {L"dirlink", DELETE, FileDispositionInfo, 0, true},
      {L"filelink", DELETE, FileDispositionInfoEx,
       FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS, true},
      {L"file", FILE_READ_ATTRIBUTES, FileDispositionInfo, 0, false},  // no DELETE access
      {L"readonly", DELETE, FileDispositionInfo, 0, false},
      {L"readonly", DELETE, FileDispositionInfoEx,
       FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE, true},
      {L"sub", DELETE, FileDispositionInfo, 0, true},
  };
  WriteFile(scratch_.File("dir/sub/inside"), "x");
  for (const auto& entry : cases) {
    const std::string name = qiv::posix::Utf16ToUtf8(entry.name);
    qiv::platform::ScopedFile handle;
    ASSERT_EQ(
        Open(root_.Get(), entry.name, entry.access, FILE_OPEN, FILE_OPEN_REPARSE_POINT, handle),
        STATUS_SUCCESS)
        << name;
    if (name == "sub") {
      // Not while anything is inside.
      FILE_DISPOSITION_INFO full{TRUE};
      EXPECT_FALSE(
          SetFileInformationByHandle(handle.Get(), FileDispositionInfo, &full, sizeof(full)));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
      ASSERT_EQ(unlink(scratch_.File("dir/sub/inside").c_str()), 0);
    }
    BOOL set = FALSE;
    if (entry.infoClass == FileDispositionInfo) {
      FILE_DISPOSITION_INFO disposition{TRUE};
      set = SetFileInformationByHandle(handle.Get(), entry.infoClass, &disposition,
                                       sizeof(disposition));
    } else {
      FILE_DISPOSITION_INFO_EX disposition{entry.flags};
      set = SetFileInformationByHandle(handle.Get(), entry.infoClass, &disposition,
                                       sizeof(disposition));
    }
    EXPECT_EQ(set != FALSE, entry.deleted) << name;
    handle.Reset();
    EXPECT_EQ(Exists(scratch_.File("dir/" + name)), !entry.deleted) << name;
  }
  EXPECT_EQ(ReadFile(scratch_.File("decoy/keep")), "keep");

  // The handle deletes its entry, even after the folder holding it was renamed.
  qiv::platform::ScopedFile moved;
  ASSERT_EQ(Open(root_.Get(), L"file", DELETE, FILE_OPEN, 0, moved), STATUS_SUCCESS);
  ASSERT_EQ(rename(scratch_.File("dir").c_str(), scratch_.File("renamed").c_str()), 0);
  ASSERT_EQ(mkdir(scratch_.File("dir").c_str(), 0700), 0);
  WriteFile(scratch_.File("dir/file"), "planted");
  FILE_DISPOSITION_INFO disposition{TRUE};
  ASSERT_TRUE(SetFileInformationByHandle(moved.Get(), FileDispositionInfo, &disposition,
                                         sizeof(disposition)));
  moved.Reset();
  EXPECT_FALSE(Exists(scratch_.File("renamed/file")));
  EXPECT_EQ(ReadFile(scratch_.File("dir/file")), "planted");
}

TEST_F(NtFileTest, ListingsCarryIdsAndContinueAcrossSmallBuffers) {
  for (int index = 0; index < 40; ++index) {
    WriteFile(scratch_.File("dir/entry-with-a-long-name-" + std::to_string(index)), "");
  }
  for (const DWORD size : {DWORD{400}, DWORD{4096}}) {
    std::set<std::wstring> names;
    std::vector<unsigned char> buffer(size);
    auto infoClass = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(root_.Get(), infoClass, buffer.data(), size)) {
      infoClass = FileIdBothDirectoryInfo;
      for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(&buffer[offset]);
        const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
        EXPECT_TRUE(names.insert(name).second) << "listed twice";
        if (name == L"dirlink") {
          EXPECT_EQ(entry->FileAttributes,
                    static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
        }
        if (name == L"file") {
          qiv::platform::ScopedFile file;
          ASSERT_EQ(Open(root_.Get(), name, FILE_READ_ATTRIBUTES, FILE_OPEN, 0, file),
                    STATUS_SUCCESS);
          BY_HANDLE_FILE_INFORMATION info{};
          ASSERT_TRUE(GetFileInformationByHandle(file.Get(), &info));
          EXPECT_EQ(static_cast<uint64_t>(entry->FileId.QuadPart),
                    (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
        }
        if (entry->NextEntryOffset == 0) break;
        offset += entry->NextEntryOffset;
        EXPECT_EQ(offset % 8, 0u);
      }
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    // "." and "..", the 10 entries of SetUp's folder and the 40 added.
    EXPECT_EQ(names.size(), 50u) << "buffer " << size;
    EXPECT_TRUE(names.count(L".") == 1 && names.count(L"..") == 1 && names.count(L"dot.") == 1 &&
                names.count(L"blank ") == 1);
  }
  // Too small for one entry.
  std::vector<unsigned char> tiny(16);
  EXPECT_FALSE(
      GetFileInformationByHandleEx(root_.Get(), FileIdBothDirectoryRestartInfo, tiny.data(), 16));
}

TEST_F(NtFileTest, DeletionsAtRestartAreRecordedOnlyWhereAllowed) {
  const std::wstring path = WindowsPath(scratch_.File("dir/file"));
  {
    ScopedEnv unset("QIV_PENDING_DELETIONS", nullptr);
    EXPECT_FALSE(MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  }
  ScopedEnv record("QIV_PENDING_DELETIONS", scratch_.File("pending").c_str());
  EXPECT_FALSE(MoveFileExW(path.c_str(), L"Z:\\elsewhere", MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(ReadFile(scratch_.File("pending")), qiv::posix::Utf16ToUtf8(path) + "\n");
  EXPECT_TRUE(Exists(scratch_.File("dir/file")));
}

}  // namespace

#endif  // _WIN32
