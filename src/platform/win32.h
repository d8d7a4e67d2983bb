// The Win32 names the program calls. On Windows this is <windows.h>; elsewhere the
// same names, types and constants are declared here and implemented by the POSIX
// stand-in in src/platform/posix/, with the Windows semantics the program relies on.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// shellapi.h needs the types of windows.h: keep it in its own block after it.
#include <shellapi.h>

// After windows.h, whose types it uses (kept apart so include sorting leaves the order).
#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#else  // POSIX stand-in

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned char BYTE;
typedef BYTE BOOLEAN;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef LONG LSTATUS;
typedef unsigned int UINT;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;
typedef BOOL* PBOOL;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPWSTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
typedef WORD FILEOP_FLAGS;

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
struct HINSTANCE__;
typedef HINSTANCE__* HMODULE;
typedef HMODULE HINSTANCE;
struct HWND__;
typedef HWND__* HWND;
typedef intptr_t(WINAPI* FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260
#define CP_ACP 0

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INVALID_NAME 123L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_KEY_DELETED 1018L
#define ERROR_KEY_HAS_CHILDREN 1020L

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))
#define HKEY_PERFORMANCE_TEXT ((HKEY)(ULONG_PTR)((LONG)0x80000050))
#define HKEY_PERFORMANCE_NLSTEXT ((HKEY)(ULONG_PTR)((LONG)0x80000060))

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define DELETE 0x00010000L

#define REG_OPTION_OPEN_LINK 0x00000008L

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_LINK 6
#define REG_MULTI_SZ 7

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define IO_REPARSE_TAG_MOUNT_POINT 0xA0000003L
#define IO_REPARSE_TAG_SYMLINK 0xA000000CL

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define FILE_LIST_DIRECTORY 0x0001
#define FILE_READ_DATA 0x0001  // the same bit as FILE_LIST_DIRECTORY, on a file
#define FILE_READ_ATTRIBUTES 0x0080
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define FILE_WRITE_ATTRIBUTES 0x0100
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define CREATE_NEW 1
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_FILE_EXISTS 80L
#define ERROR_DIRECTORY 267L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_DELETE_PENDING 303L
#define ERROR_NOACCESS 998L
#define ERROR_INVALID_OWNER 1307L
#define FILE_ADD_FILE 0x0002
#define FILE_ADD_SUBDIRECTORY 0x0004
#define FILE_TRAVERSE 0x0020
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define OPEN_EXISTING 3
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000
#define FILE_NAME_NORMALIZED 0x0
#define VOLUME_NAME_DOS 0x0

#define FO_DELETE 0x0003
#define FOF_SILENT 0x0004
#define FOF_NOCONFIRMATION 0x0010
#define FOF_ALLOWUNDO 0x0040
#define FOF_NOCONFIRMMKDIR 0x0200
#define FOF_NOERRORUI 0x0400

#define VER_NT_WORKSTATION 0x0000001
#define VER_SUITE_WH_SERVER 0x00008000
#define SM_SERVERR2 89
#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_AMD64 9

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
typedef FILETIME* PFILETIME;

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;

struct SYSTEM_INFO {
  union {
    DWORD dwOemId;
    struct {
      WORD wProcessorArchitecture;
      WORD wReserved;
    };
  };
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

struct SHFILEOPSTRUCTW {
  HWND hwnd;
  UINT wFunc;
  LPCWSTR pFrom;
  LPCWSTR pTo;
  FILEOP_FLAGS fFlags;
  BOOL fAnyOperationsAborted;
  LPVOID hNameMappings;
  LPCWSTR lpszProgressTitle;
};
typedef SHFILEOPSTRUCTW* LPSHFILEOPSTRUCTW;

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
typedef BY_HANDLE_FILE_INFORMATION* LPBY_HANDLE_FILE_INFORMATION;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  int64_t QuadPart;
};
typedef LARGE_INTEGER* PLARGE_INTEGER;
typedef char CCHAR;
typedef uint32_t ULONG;
typedef ULONG* PULONG;
typedef unsigned short USHORT;
typedef void* PVOID;
typedef HANDLE* PHANDLE;

enum FILE_INFO_BY_HANDLE_CLASS {
  FileBasicInfo = 0,
  FileStandardInfo = 1,
  FileRenameInfo = 3,
  FileDispositionInfo = 4,
  FileAttributeTagInfo = 9,
  FileIdBothDirectoryInfo = 10,
  FileIdBothDirectoryRestartInfo = 11,
  FileDispositionInfoEx = 21,
};
struct FILE_DISPOSITION_INFO {
  BOOLEAN DeleteFile;
};
#define FILE_DISPOSITION_FLAG_DO_NOT_DELETE 0x00000000
#define FILE_DISPOSITION_FLAG_DELETE 0x00000001
#define FILE_DISPOSITION_FLAG_POSIX_SEMANTICS 0x00000002
#define FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE 0x00000010
struct FILE_DISPOSITION_INFO_EX {
  DWORD Flags;
};
struct FILE_BASIC_INFO {
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  DWORD FileAttributes;
};
struct FILE_STANDARD_INFO {
  LARGE_INTEGER AllocationSize;
  LARGE_INTEGER EndOfFile;
  DWORD NumberOfLinks;
  BOOLEAN DeletePending;
  BOOLEAN Directory;
};
struct FILE_ATTRIBUTE_TAG_INFO {
  DWORD FileAttributes;
  DWORD ReparseTag;
};
struct FILE_RENAME_INFO {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  DWORD FileNameLength;  // in bytes
  WCHAR FileName[1];
};
struct FILE_ID_BOTH_DIR_INFO {
  DWORD NextEntryOffset;
  DWORD FileIndex;
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  DWORD FileAttributes;
  DWORD FileNameLength;  // in bytes
  DWORD EaSize;
  CCHAR ShortNameLength;
  WCHAR ShortName[12];
  LARGE_INTEGER FileId;
  WCHAR FileName[1];
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;

// Code pages (posix/code_page.cpp). Only CP_ACP and flags 0 are supported.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                        LPWSTR wide, int wideCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte,
                        int multiByteCount, LPCSTR defaultChar, PBOOL usedDefaultChar);

// Module (posix/module.cpp).
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
HMODULE GetModuleHandleW(LPCWSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

// Private profile (INI) files (posix/profile.cpp).
DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue,
                               LPWSTR returned, DWORD size, LPCWSTR fileName);
BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName);

// Debug output (posix/debug_output.cpp).
void OutputDebugStringW(LPCWSTR text);
void OutputDebugStringA(LPCSTR text);

// Registry (posix/registry.cpp), over the file named by QIV_REGISTRY_FILE.
// Byte counts are Windows byte counts. String data (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) is written one UTF-16 unit per wchar_t, so a buffer for *dataSize
// Windows bytes is an array of *dataSize / 2 wchar_t; other types are raw bytes.
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPWSTR className, LPDWORD classSize, PFILETIME lastWriteTime);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameSize,
                      LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM desired, DWORD reserved);
LSTATUS RegCloseKey(HKEY key);
// ntdll's deletion of the key behind a handle (an NTSTATUS, 0 on success), found
// through GetProcAddress as on Windows (posix/module.cpp).
LONG NtDeleteKey(HANDLE key);

// Files and shell (posix/files.cpp, posix/shell_file_operation.cpp); Windows paths are
// mapped as posix/path_map.h describes.
DWORD GetFileAttributesW(LPCWSTR fileName);
BOOL DeleteFileW(LPCWSTR fileName);
BOOL RemoveDirectoryW(LPCWSTR pathName);
int SHFileOperationW(LPSHFILEOPSTRUCTW operation);
// Full paths as Windows forms them (posix/full_path.cpp).
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);
// Handles that identify a file or directory, for its metadata and its deletion
// (posix/file_handle.cpp): OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS for directories.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPVOID security,
                   DWORD creationDisposition, DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE object);
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags);
// FileDispositionInfo and FileDispositionInfoEx on a handle opened with DELETE access
// (a read-only file only with FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE),
// FileBasicInfo (the read-only attribute; others are accepted) with
// FILE_WRITE_ATTRIBUTES, and FileRenameInfo with DELETE, into the folder
// RootDirectory (null: the file's own) under a plain name (posix/file_information.cpp).
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                DWORD size);
// Information through a handle (posix/file_information.cpp): FileBasicInfo,
// FileStandardInfo, FileAttributeTagInfo and the listing of a directory handle opened
// with FILE_LIST_DIRECTORY, FileIdBothDirectoryInfo (continues) and
// FileIdBothDirectoryRestartInfo (starts again), "." and ".." included as on NTFS.
BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                  DWORD size);
// Reads through a handle opened with read access (posix/file_read.cpp).
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, LPDWORD read, LPVOID overlapped);
// Writes through a handle opened with write access (posix/file_write.cpp).
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, LPDWORD written, LPVOID overlapped);
BOOL FlushFileBuffers(HANDLE file);
// Only MOVEFILE_DELAY_UNTIL_REBOOT with no new name, a deletion at the next restart
// (posix/pending_deletion.cpp): the path is appended as one UTF-8 line to the file
// QIV_PENDING_DELETIONS names; without it the call is refused as for a user who
// may not schedule one.
BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags);
// Security (posix/security.cpp). A descriptor string holds an optional owner
// Administrators (O:BA) and a DACL of allowing ACEs for SYSTEM (SY) and
// Administrators (BA) only; SetSecurityInfo applies the DACL, protected, to a handle
// opened with WRITE_DAC as no permissions for group and others, and the owner, with
// WRITE_OWNER, as root (without root: only an object of the running user's, who
// stands for the administrators). NtCreateFile creates an object with such a
// descriptor that way. Anything else is refused.
typedef void* PSECURITY_DESCRIPTOR;
typedef void* PSID;
struct ACL;
typedef ACL* PACL;
typedef DWORD SECURITY_INFORMATION;
typedef void* HLOCAL;
enum SE_OBJECT_TYPE { SE_UNKNOWN_OBJECT_TYPE = 0, SE_FILE_OBJECT = 1 };
#define OWNER_SECURITY_INFORMATION 0x00000001L
#define DACL_SECURITY_INFORMATION 0x00000004L
#define PROTECTED_DACL_SECURITY_INFORMATION 0x80000000L
#define SDDL_REVISION_1 1
BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor,
                                                          PULONG size);
BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, PBOOL present, PACL* dacl,
                               PBOOL defaulted);
BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID* owner, PBOOL defaulted);
DWORD SetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION information,
                      PSID owner, PSID group, PACL dacl, PACL sacl);
HLOCAL LocalFree(HLOCAL memory);
// Directory listings (posix/find_file.cpp): a pattern "DIR\*" lists DIR.
HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW findData);
BOOL FindClose(HANDLE find);
DWORD GetLastError();
void SetLastError(DWORD error);

// The process error mode: recorded and returned, nothing on POSIX shows a dialog.
constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;
UINT SetErrorMode(UINT mode);

// Environment references "%NAME%" (posix/environment.cpp): names are matched without
// regard to ASCII case, an unknown one stays as written; the result counts the
// terminator, and a buffer too small receives nothing.
DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);

// System information and time (posix/system_info.cpp, posix/local_time.cpp,
// posix/sleep.cpp).
BOOL GetVersionExW(LPOSVERSIONINFOW versionInfo);
void GetSystemInfo(LPSYSTEM_INFO systemInfo);
HANDLE GetCurrentProcess();
BOOL IsWow64Process(HANDLE process, PBOOL wow64Process);
int GetSystemMetrics(int index);
void GetLocalTime(LPSYSTEMTIME systemTime);
void Sleep(DWORD milliseconds);

#endif  // _WIN32

// The native file calls (NtCreateFile, NtOpenFile, ...), on both builds.
#include "platform/nt_file.h"
