// The stand-in's file handles, shared by the calls that open them (CreateFileW,
// NtCreateFile) and those that work through them (information, listing, writing,
// deletion).
//
// A handle holds a descriptor of the object itself: O_PATH for metadata, a real
// descriptor where data is read or written. An entry opened relative to a folder also keeps
// that folder's descriptor and its own name there, so that its deletion and rename
// address that entry of that folder, as Windows addresses the object the handle
// holds, and not whatever a path names by then.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "platform/win32.h"

namespace qiv::posix {

constexpr unsigned kFileHandleTag = 0x51564648;  // "QVFH"

struct FileHandle {
  unsigned tag = kFileHandleTag;
  int fd = -1;  // O_PATH, or opened for reading or writing as the flags say
  bool readable = false;
  bool writable = false;
  DWORD access = 0;
  std::wstring name;  // as the program could name it, for the deletion recorder
  int parentFd = -1;  // O_PATH of the folder the entry was opened in, or -1
  std::string entryName;
  // What the object is, fixed while it is open: whether it is a directory (not a
  // link to one), its device and inode.
  bool directory = false;
  dev_t device = 0;
  ino_t inode = 0;
  DIR* listing = nullptr;  // the listing in progress, for FileIdBothDirectoryInfo
  bool deleteOnClose = false;

  ~FileHandle();
};

FileHandle* AsFileHandle(HANDLE handle);

// Opens the handle's object for reading its entries (a directory), or -1.
int ListingDescriptor(const FileHandle& handle);

// The handle's attributes as Windows reports them: a symbolic link is a reparse
// point, and a directory one when it leads to a directory; a file without write
// permission is read-only.
DWORD AttributesOf(const struct stat& info, const FileHandle& handle);

// Deletes the object the handle holds, as its last close does on Windows.
void DeleteHeldObject(FileHandle& handle);

// Windows error codes for errno values met opening and deleting.
DWORD ErrorFromErrno(int error);

}  // namespace qiv::posix
