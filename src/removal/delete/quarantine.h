// Where what a deletion through handles cannot remove now waits for the restart.
//
// A deletion at the restart goes by name, as SYSTEM, and a name inside the game's
// folder is one a standard user can redirect with a junction before then (rename
// the folder away, put a junction in its place): a known route from an elevated
// uninstaller to deleting system files. So what cannot go now is moved, through
// its own handle, into a folder made for this run at the root of the same volume
// (as Windows Installer keeps Config.Msi there): a fresh, unguessable name, created
// and never opened (nothing planted or linked there is used), with owner
// Administrators and a protected DACL for SYSTEM and Administrators alone. Only the
// quarantine's own names are scheduled. Where it cannot be made (not elevated, a
// network share) nothing is moved and nothing is scheduled.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/folder_identity.h"
#include "platform/scoped_win32.h"
#include "platform/win32.h"

namespace qiv::removal {

class Quarantine {
 public:
  // For what remains of the held directory `directory` ("\\?\C:\..." its literal
  // path). Nothing is made before the first Take.
  Quarantine(HANDLE directory, const std::wstring& path);
  Quarantine(const Quarantine&) = delete;
  Quarantine& operator=(const Quarantine&) = delete;

  // Moves the entry held by `entry` (opened as itself with DELETE access, on the
  // directory's volume) into the quarantine, which is made on first use. False when
  // it stays where it was.
  bool Take(HANDLE entry);

  // Schedules the quarantine's entries, then the quarantine itself, for deletion
  // at the next restart; a quarantine that took nothing is deleted now. True when
  // nothing is left unscheduled.
  bool ScheduleForRestart();

  // The quarantine's literal path, empty until it is made.
  const std::wstring& Path() const { return path_; }

 private:
  bool Make();

  qiv::platform::FileIdentity directory_;
  bool directoryKnown_ = false;
  std::wstring volumeRoot_;  // "\\?\C:\", or empty for a path without a drive
  qiv::platform::ScopedFile folder_;
  std::wstring path_;
  std::vector<std::wstring> entries_;
  bool refused_ = false;  // making it failed once: not tried again
};

}  // namespace qiv::removal
