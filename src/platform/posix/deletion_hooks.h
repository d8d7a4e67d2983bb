// Test seam: a recorder that receives every deletion the program asks of the
// platform, while the platform deletes nothing. Proofs that a command leaves
// something alone count these requests instead of trusting what is left on disk.
#pragma once

#include <functional>
#include <string>

namespace qiv::posix {

enum class DeletionKind { kFile, kDirectory, kTree, kRegistryKey };

struct DeletionRequest {
  DeletionKind kind;
  // A file or tree: the path as the program gave it. A registry key: the full
  // key path, root name first ("HKEY_LOCAL_MACHINE\SOFTWARE\...").
  std::wstring target;
};

using DeletionRecorder = std::function<void(const DeletionRequest&)>;

// While a recorder is set, DeleteFileW, RemoveDirectoryW, SHFileOperationW, RegDeleteKeyW and
// RegDeleteKeyExW hand each target to it and fail with access denied, as on a
// machine where the user may delete nothing. An empty recorder ends this.
void SetDeletionRecorder(DeletionRecorder recorder);

// For the platform's deletion functions: true when the request went to the
// recorder, and the caller must then delete nothing.
bool InterceptDeletion(DeletionKind kind, const std::wstring& target);
bool DeletionRecorderSet();

// While set, an open for deletion (DELETE access) of an entry whose name, as the
// program could give it, the predicate accepts fails with a sharing violation, as
// for a file another program holds open without sharing its deletion.
using DeletionRefusal = std::function<bool(const std::wstring& target)>;
void SetDeletionRefusal(DeletionRefusal refusal);
bool DeletionRefused(const std::wstring& target);

// While set, an entry whose name the predicate accepts is held the way a running
// program holds its image: an open for deletion that does not share reading fails
// with a sharing violation, its deletion is refused (access denied), and a rename
// through a handle works.
using ImageHold = std::function<bool(const std::wstring& target)>;
void SetImageHold(ImageHold hold);
bool ImageHeld(const std::wstring& target);

}  // namespace qiv::posix
