#include "platform/registry_key_path.h"

#include "base/strings/case_rules.h"
#include "platform/current_user.h"

namespace qiv::platform {

namespace {

constexpr size_t kMaxKeyName = 255;

bool Is(const std::wstring& name, const wchar_t* expected) {
  return String::FoldRegistryName(name) == String::FoldRegistryName(expected);
}

// Whether the key just opened at `depth` (counted from 1) is the user's
// Software\Classes: HKEY_CURRENT_USER\Software\Classes or the same below the
// user's own hive in HKEY_USERS.
bool IsUsersClasses(HKEY root, const std::vector<std::wstring>& names, size_t depth) {
  size_t first = 0;
  if (root == HKEY_USERS) {
    const std::wstring sid = CurrentUserSid();
    if (sid.empty() || names.empty() || !Is(names[0], sid.c_str())) return false;
    first = 1;
  } else if (root != HKEY_CURRENT_USER) {
    return false;
  }
  return depth == first + 2 && Is(names[first], L"Software") && Is(names[first + 1], L"Classes");
}

}  // namespace

std::optional<std::vector<std::wstring>> SplitRegistryPath(const std::wstring& path) {
  std::vector<std::wstring> names;
  std::wstring_view rest(path);
  if (rest.empty()) return names;
  if (rest.back() == L'\\') rest.remove_suffix(1);
  for (;;) {
    const size_t end = rest.find(L'\\');
    const std::wstring_view name = rest.substr(0, end);
    if (name.empty() || name.size() > kMaxKeyName) return std::nullopt;
    names.emplace_back(name);
    if (end == std::wstring_view::npos) return names;
    rest.remove_prefix(end + 1);
  }
}

CRegistryKeyPath::Status CRegistryKeyPath::Open(HKEY root, const std::vector<std::wstring>& names,
                                                REGSAM lastAccess, REGSAM view,
                                                size_t systemDepth) {
  Close();
  root_ = root;
  view &= KEY_WOW64_64KEY | KEY_WOW64_32KEY;
  for (size_t index = 0; index < names.size(); ++index) {
    const bool last = index + 1 == names.size();
    CRegistryKey key;
    const LONG status =
        key.Open(At(index), names[index].c_str(), (last ? lastAccess : KEY_READ) | view,
                 CRegistryKey::Link::kOpenItself);
    if (status != ERROR_SUCCESS) {
      Close();
      return status == ERROR_FILE_NOT_FOUND ? Status::kMissing : Status::kFailed;
    }
    if (!last && key.IsLink()) {
      CRegistryKey followed;
      const std::wstring hive = CurrentUserSid() + L"_Classes";
      LONG reopened = ERROR_FILE_NOT_FOUND;
      if (index + 1 < systemDepth) {
        // One name, resolved by the system through a link no standard user can make.
        reopened = followed.Open(At(index), names[index].c_str(), KEY_READ | view);
      } else if (IsUsersClasses(root, names, index + 1) && !CurrentUserSid().empty()) {
        // The user's classes live in a hive of their own.
        reopened = followed.Open(HKEY_USERS, hive.c_str(), KEY_READ | view,
                                 CRegistryKey::Link::kOpenItself);
      }
      if (reopened != ERROR_SUCCESS || followed.IsLink()) {
        Close();
        return Status::kLinkOnTheWay;
      }
      key = std::move(followed);
    }
    keys_.push_back(std::move(key));
  }
  return Status::kOpened;
}

void CRegistryKeyPath::Close() {
  while (!keys_.empty()) keys_.pop_back();  // the deepest first
  root_ = nullptr;
}

}  // namespace qiv::platform
