// The native file calls of ntdll the program makes through handles: an entry
// opened or created relative to an open folder, under its literal name. On Windows
// they come from <winternl.h> (with what mingw's headers lack for a Windows 7 target
// declared here); on POSIX they are declared here and implemented by the stand-in
// (posix/nt_file.cpp) with the Windows semantics the program relies on.
//
// Included at the end of platform/win32.h; include that one.
#pragma once

#ifdef _WIN32

#include <winternl.h>

// The parts of the FILE_INFO_BY_HANDLE_CLASS of Windows 10 that a Windows 7 target
// does not declare. SetFileInformationByHandle refuses them where the system is
// older; the caller then falls back.
#if _WIN32_WINNT < 0x0A000002
#define FileDispositionInfoEx (static_cast<FILE_INFO_BY_HANDLE_CLASS>(21))
#endif
// Declared together with its flags where the headers declare it at all.
#ifndef FILE_DISPOSITION_FLAG_DELETE
#define FILE_DISPOSITION_FLAG_DO_NOT_DELETE 0x00000000
#define FILE_DISPOSITION_FLAG_DELETE 0x00000001
#define FILE_DISPOSITION_FLAG_POSIX_SEMANTICS 0x00000002
struct FILE_DISPOSITION_INFO_EX {
  DWORD Flags;
};
#endif
#ifndef FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE
#define FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE 0x00000010
#endif

#else  // POSIX stand-in

typedef LONG NTSTATUS;

struct UNICODE_STRING {
  USHORT Length;  // in bytes, without a terminator
  USHORT MaximumLength;
  WCHAR* Buffer;
};
typedef UNICODE_STRING* PUNICODE_STRING;

struct OBJECT_ATTRIBUTES {
  ULONG Length;
  HANDLE RootDirectory;
  PUNICODE_STRING ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
};
typedef OBJECT_ATTRIBUTES* POBJECT_ATTRIBUTES;

struct IO_STATUS_BLOCK {
  union {
    NTSTATUS Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
typedef IO_STATUS_BLOCK* PIO_STATUS_BLOCK;

#define NTAPI
#define OBJ_CASE_INSENSITIVE 0x00000040L

#define FILE_SUPERSEDE 0x00000000
#define FILE_OPEN 0x00000001
#define FILE_CREATE 0x00000002
#define FILE_OPEN_IF 0x00000003
#define FILE_OVERWRITE 0x00000004
#define FILE_OVERWRITE_IF 0x00000005

#define FILE_DIRECTORY_FILE 0x00000001
#define FILE_WRITE_THROUGH 0x00000002
#define FILE_SYNCHRONOUS_IO_NONALERT 0x00000020
#define FILE_NON_DIRECTORY_FILE 0x00000040
#define FILE_OPEN_FOR_BACKUP_INTENT 0x00004000
#define FILE_OPEN_REPARSE_POINT 0x00200000

#define FILE_CREATED 0x00000002
#define FILE_OPENED 0x00000001

// Creates or opens the entry ObjectName names inside the folder RootDirectory (a
// handle from CreateFileW or NtCreateFile). The name is taken literally, trailing dots
// and blanks included, and holds no separator; an empty name is the folder itself.
// Without a RootDirectory the name is a full one, "\??\C:\...". FILE_OPEN_REPARSE_POINT
// opens a link as itself; FILE_CREATE fails with STATUS_OBJECT_NAME_COLLISION when the
// name exists in any form. Write access (FILE_WRITE_DATA, GENERIC_WRITE) on a file
// allows WriteFile, read access (FILE_READ_DATA, GENERIC_READ) ReadFile, each checked
// against the file's permissions at the open; FILE_LIST_DIRECTORY on a folder allows
// its listing.
NTSTATUS NtCreateFile(PHANDLE fileHandle, ACCESS_MASK desiredAccess,
                      POBJECT_ATTRIBUTES objectAttributes, PIO_STATUS_BLOCK ioStatusBlock,
                      PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG shareAccess,
                      ULONG createDisposition, ULONG createOptions, PVOID eaBuffer, ULONG eaLength);
NTSTATUS NtOpenFile(PHANDLE fileHandle, ACCESS_MASK desiredAccess,
                    POBJECT_ATTRIBUTES objectAttributes, PIO_STATUS_BLOCK ioStatusBlock,
                    ULONG shareAccess, ULONG openOptions);
ULONG RtlNtStatusToDosError(NTSTATUS status);

// Only the rename class (posix/nt_information.cpp). The Win32 FileRenameInfo is no
// stand-in for it: Wine's SetFileInformationByHandle makes the new name a full path
// of the current directory, so a name relative to a RootDirectory is refused there.
enum FILE_INFORMATION_CLASS { FileRenameInformation = 10 };
struct FILE_RENAME_INFORMATION {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  ULONG FileNameLength;  // in bytes
  WCHAR FileName[1];
};
NTSTATUS NtSetInformationFile(HANDLE fileHandle, PIO_STATUS_BLOCK ioStatusBlock,
                              PVOID fileInformation, ULONG length,
                              FILE_INFORMATION_CLASS fileInformationClass);

#endif  // _WIN32

// NTSTATUS values the program tells apart (windows.h defines a few of them already).
#ifndef STATUS_SUCCESS
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#endif
#ifndef STATUS_INVALID_HANDLE
#define STATUS_INVALID_HANDLE ((NTSTATUS)0xC0000008L)
#endif
#ifndef STATUS_INVALID_PARAMETER
#define STATUS_INVALID_PARAMETER ((NTSTATUS)0xC000000DL)
#endif
#ifndef STATUS_ACCESS_DENIED
#define STATUS_ACCESS_DENIED ((NTSTATUS)0xC0000022L)
#endif
#ifndef STATUS_OBJECT_NAME_INVALID
#define STATUS_OBJECT_NAME_INVALID ((NTSTATUS)0xC0000033L)
#endif
#ifndef STATUS_OBJECT_NAME_NOT_FOUND
#define STATUS_OBJECT_NAME_NOT_FOUND ((NTSTATUS)0xC0000034L)
#endif
#ifndef STATUS_OBJECT_NAME_COLLISION
#define STATUS_OBJECT_NAME_COLLISION ((NTSTATUS)0xC0000035L)
#endif
#ifndef STATUS_OBJECT_PATH_NOT_FOUND
#define STATUS_OBJECT_PATH_NOT_FOUND ((NTSTATUS)0xC000003AL)
#endif
#ifndef STATUS_SHARING_VIOLATION
#define STATUS_SHARING_VIOLATION ((NTSTATUS)0xC0000043L)
#endif
#ifndef STATUS_DELETE_PENDING
#define STATUS_DELETE_PENDING ((NTSTATUS)0xC0000056L)
#endif
#ifndef STATUS_FILE_IS_A_DIRECTORY
#define STATUS_FILE_IS_A_DIRECTORY ((NTSTATUS)0xC00000BAL)
#endif
#ifndef STATUS_NOT_SUPPORTED
#define STATUS_NOT_SUPPORTED ((NTSTATUS)0xC00000BBL)
#endif
#ifndef STATUS_DIRECTORY_NOT_EMPTY
#define STATUS_DIRECTORY_NOT_EMPTY ((NTSTATUS)0xC0000101L)
#endif
#ifndef STATUS_NOT_A_DIRECTORY
#define STATUS_NOT_A_DIRECTORY ((NTSTATUS)0xC0000103L)
#endif
#ifndef STATUS_CANNOT_DELETE
#define STATUS_CANNOT_DELETE ((NTSTATUS)0xC0000121L)
#endif
