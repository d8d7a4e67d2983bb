// Whether what a path names lies inside one folder, judged as folders are judged
// everywhere in this program: by the identity of the folder and of the folders the
// system resolves above the named object, never by the spelling of the path.
#pragma once

#include <optional>
#include <string>

#include "platform/folder_identity.h"

namespace qiv::platform {

class FolderContents {
 public:
  // The folder is resolved once, here. An empty path, or one the system cannot
  // open, is a folder that contains nothing.
  explicit FolderContents(const std::wstring& folder);

  bool Known() const { return folder_.has_value(); }

  // True when `path` names the folder itself or something below it. A path that
  // names nothing (yet) is judged by the nearest folder above it that exists, so a
  // program path followed by its arguments is judged by the program's folder.
  bool Contains(const std::wstring& path) const;

  // True when `path` names the folder itself (a link to it is not the folder).
  bool IsTheFolder(const std::wstring& path) const;

 private:
  std::optional<FileIdentity> folder_;
  std::wstring currentDrive_;
};

}  // namespace qiv::platform
