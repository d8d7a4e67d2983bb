#include "removal/registry_tree_owner.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/strings/case_rules.h"
#include "base/strings/trim.h"
#include "platform/registry_text.h"

namespace qiv::removal {

namespace {

// Reading stops, and the tree stays, beyond these: a game's own keys are small.
constexpr int kMaxDepth = 32;
constexpr int kMaxKeys = 4096;
constexpr DWORD kMaxDataBytes = 1 << 20;
constexpr DWORD kValueNameCapacity = 16384;  // value names hold at most 16,383 units
constexpr DWORD kKeyNameCapacity = 256;      // key names hold at most 255 units

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Keys whose default value names a program, server, icon or type library.
bool NamesAProgram(const std::wstring& keyName) {
  for (const wchar_t* name :
       {L"command", L"defaulticon", L"inprocserver32", L"inprocserver", L"localserver32",
        L"localserver", L"inprochandler32", L"win32", L"win64"}) {
    if (String::EqualsKeyword(keyName, name)) return true;
  }
  return false;
}

bool IsBlankText(const std::wstring& text) {
  return text.find_first_not_of(L" \t") == std::wstring::npos;
}

bool LooksLikePath(const std::wstring& text) {
  if (text.size() >= 3 && String::IsAsciiLetter(text[0]) && text[1] == L':' &&
      (text[2] == L'\\' || text[2] == L'/')) {
    return true;
  }
  if (text.rfind(L"\\\\", 0) == 0) return true;
  return text.size() > 2 && text[0] == L'%' && text.find(L"%\\", 1) != std::wstring::npos;
}

// A drive or share path, or one from the root of the current drive: one that names
// the same folder whatever the current directory.
bool IsAbsolute(const std::wstring& path) {
  return LooksLikePath(path) || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

// The path a value begins with: after blanks, an "@" (a resource reference) and an
// opening quote, up to the closing quote or to a character no path holds. Nothing
// when the text does not look like a path, unless `anyForm` (a key that names a
// program whatever the form: then a relative or empty one is still judged).
std::optional<std::wstring> LeadingPath(const std::wstring& text, bool anyForm) {
  size_t start = text.find_first_not_of(L" \t");
  if (start == std::wstring::npos) start = text.size();
  if (start < text.size() && text[start] == L'@') ++start;
  std::wstring path;
  if (start < text.size() && text[start] == L'"') {
    const size_t close = text.find(L'"', start + 1);
    path = text.substr(start + 1,
                       close == std::wstring::npos ? std::wstring::npos : close - start - 1);
  } else {
    path = text.substr(start, text.find_first_of(L"\"<>|", start) - start);
  }
  if (!anyForm && !LooksLikePath(path)) return std::nullopt;
  return path;
}

struct Tally {
  int inside = 0;
  int outside = 0;
  bool incomplete = false;
  bool Clean() const { return outside == 0 && !incomplete; }
  bool NamesTheGame() const { return Clean() && inside > 0; }
};

class OwnerReader {
 public:
  OwnerReader(const qiv::platform::FolderContents& game, REGSAM view) : game_(game), view_(view) {}

  // A subkey as itself: a link in a tree is deleted as the link, so what it leads
  // to is no part of the tree.
  bool Open(CRegistryKey& key, HKEY parent, const wchar_t* name) const {
    return key.Open(parent, name, KEY_READ | view_, CRegistryKey::Link::kOpenItself) ==
           ERROR_SUCCESS;
  }

  // Every path the tree names, in value text and value names, below `key`.
  Tally WalkKey(HKEY key) {
    Tally tally;
    Walk(key, false, 0, tally);
    return tally;
  }

  // The same for the key `path` names below `parent`, opened a key at a time.
  Tally WalkKey(HKEY parent, const std::wstring& path) {
    qiv::platform::CRegistryKeyPath opened;
    const auto names = qiv::platform::SplitRegistryPath(path);
    if (!names || names->empty() ||
        opened.Open(parent, *names, KEY_READ, view_) !=
            qiv::platform::CRegistryKeyPath::Status::kOpened) {
      Tally tally;
      tally.incomplete = true;
      return tally;
    }
    return WalkKey(opened.Last().Handle());
  }

  REGSAM View() const { return view_; }

  void Walk(HKEY key, bool namesAProgram, int depth, Tally& tally) {
    if (--keysLeft_ < 0 || depth > kMaxDepth) {
      tally.incomplete = true;
      return;
    }
    bool sawProgram = false;
    for (DWORD index = 0; tally.Clean(); ++index) {
      std::wstring name;
      DWORD type = REG_NONE;
      std::wstring text;
      const LONG status = EnumValue(key, index, name, type, text);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) {
        tally.incomplete = true;
        break;
      }
      // Value names are paths too: driver lists name their files that way.
      Judge(name, false, tally);
      if (!IsStringType(type)) continue;
      const bool program = namesAProgram && name.empty();
      sawProgram = sawProgram || program;
      // A multi-string holds one text after each zero unit.
      size_t start = 0;
      do {
        const size_t end = std::min(text.find(L'\0', start), text.size());
        if (end > start || program) Judge(text.substr(start, end - start), program, tally);
        start = end + 1;
      } while (start < text.size() && type == REG_MULTI_SZ);
    }
    if (namesAProgram && !sawProgram) ++tally.outside;  // it runs what it does not name
    for (DWORD index = 0; tally.Clean(); ++index) {
      wchar_t name[kKeyNameCapacity] = {};
      DWORD size = kKeyNameCapacity;
      FILETIME lastWrite{};
      const LONG status =
          RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, &lastWrite);
      if (status == ERROR_NO_MORE_ITEMS) break;
      CRegistryKey child;
      if (status != ERROR_SUCCESS || !Open(child, key, name)) {
        tally.incomplete = true;
        break;
      }
      Walk(child.Handle(), NamesAProgram(name), depth + 1, tally);
    }
  }

  // A string value's text, cut at its first zero unit; nothing for another type.
  std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name) const {
    return qiv::platform::ReadValueText(key, name, kMaxDataBytes,
                                        qiv::platform::TextTypes::kStringsAndLists);
  }

  // Whether a value that names a program or folder names one inside the game's.
  bool Inside(const std::wstring& text) const {
    const std::optional<std::wstring> path = LeadingPath(text, true);
    return path && game_.Contains(*path);
  }

  bool IsTheGamesFolder(const std::wstring& path) const { return game_.IsTheFolder(path); }

 private:
  LONG EnumValue(HKEY key, DWORD index, std::wstring& name, DWORD& type, std::wstring& text) {
    if (names_.empty()) names_.resize(kValueNameCapacity);
    for (int attempt = 0; attempt < 3; ++attempt) {
      DWORD nameSize = kValueNameCapacity;
      DWORD dataSize = static_cast<DWORD>(data_.size() * 2);  // Windows bytes
      const LONG status = RegEnumValueW(key, index, names_.data(), &nameSize, nullptr, &type,
                                        reinterpret_cast<LPBYTE>(data_.data()), &dataSize);
      if (status == ERROR_MORE_DATA && dataSize <= kMaxDataBytes && dataSize > data_.size() * 2) {
        data_.resize(dataSize / 2 + 1);
        continue;
      }
      if (status != ERROR_SUCCESS) return status;
      name.assign(names_.data(), nameSize);
      if (IsStringType(type)) text.assign(data_.data(), dataSize / 2);
      return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
  }

  void Judge(const std::wstring& text, bool anyForm, Tally& tally) const {
    // "%1" is the document itself (a file type shown with its own icon), no program.
    if (anyForm && String::Trim(text) == L"%1") return;
    const std::optional<std::wstring> path = LeadingPath(text, anyForm);
    if (!path) return;
    ++(game_.Contains(*path) ? tally.inside : tally.outside);
  }

  const qiv::platform::FolderContents& game_;
  const REGSAM view_;
  int keysLeft_ = kMaxKeys;
  // Allocated on first use: most trees are refused by their path alone.
  std::vector<wchar_t> names_;
  std::vector<wchar_t> data_ = std::vector<wchar_t>(256);
};

// Where the product lives decides; without a location, the programs it names do.
bool IsUninstallEntryTheGames(OwnerReader& reader, HKEY entry) {
  const std::optional<std::wstring> location = reader.ReadString(entry, L"InstallLocation");
  if (location && !IsBlankText(*location)) return reader.Inside(*location);
  int named = 0;
  for (const wchar_t* name :
       {L"UninstallString", L"QuietUninstallString", L"DisplayIcon", L"ModifyPath"}) {
    const std::optional<std::wstring> text = reader.ReadString(entry, name);
    if (!text || IsBlankText(*text)) continue;
    if (!reader.Inside(*text)) return false;
    ++named;
  }
  return named > 0;
}

bool IsAppPathsEntryTheGames(OwnerReader& reader, HKEY entry) {
  const std::optional<std::wstring> program = reader.ReadString(entry, nullptr);
  if (!program || !reader.Inside(*program)) return false;
  const std::optional<std::wstring> folder = reader.ReadString(entry, L"Path");
  return !folder || IsBlankText(*folder) || reader.Inside(*folder);
}

// An extension goes with the classes it names: its ProgID and those it offers
// under OpenWithProgids, looked up below the same classes key.
bool IsFileExtensionTheGames(OwnerReader& reader, HKEY extension, HKEY classesKey) {
  Tally own = reader.WalkKey(extension);
  if (!own.Clean()) return false;
  std::vector<std::wstring> classes;
  if (auto progId = reader.ReadString(extension, nullptr); progId && !IsBlankText(*progId)) {
    classes.push_back(*progId);
  }
  CRegistryKey openWith;
  if (reader.Open(openWith, extension, L"OpenWithProgids")) {
    for (DWORD index = 0;; ++index) {
      std::vector<wchar_t> name(kValueNameCapacity);
      DWORD size = kValueNameCapacity;
      const LONG status = RegEnumValueW(openWith.Handle(), index, name.data(), &size, nullptr,
                                        nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) return false;
      if (size > 0) classes.emplace_back(name.data(), size);
    }
  }
  if (classes.empty()) return own.inside > 0;
  for (const std::wstring& name : classes) {
    if (!reader.WalkKey(classesKey, name).NamesTheGame()) return false;
  }
  return true;
}

// Whether one of the key's own values names the game's folder itself.
bool NamesTheFolder(OwnerReader& reader, HKEY key) {
  std::vector<wchar_t> name(kValueNameCapacity);
  for (DWORD index = 0;; ++index) {
    DWORD size = kValueNameCapacity;
    if (RegEnumValueW(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    const std::optional<std::wstring> text = reader.ReadString(key, name.data());
    const std::optional<std::wstring> path =
        text ? LeadingPath(*text, true) : std::optional<std::wstring>();
    if (path && IsAbsolute(*path) && reader.IsTheGamesFolder(*path)) return true;
  }
}

// Whether the machine's product key of this name, in either registry view, names
// the game's folder itself and nothing elsewhere. A user's own key proves nothing
// about the machine's hive, which a standard user cannot write; the machine's key
// speaks for the user's key of the same name.
bool IsTheGamesMachineProductKey(OwnerReader& reader, HKEY machine,
                                 const std::vector<std::wstring>& productKey) {
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    qiv::platform::CRegistryKeyPath product;
    if (product.Open(machine, productKey, KEY_READ, view, productKey.size()) ==
            qiv::platform::CRegistryKeyPath::Status::kOpened &&
        NamesTheFolder(reader, product.Last().Handle()) &&
        reader.WalkKey(product.Last().Handle()).Clean()) {
      return true;
    }
  }
  return false;
}

// Naming nothing elsewhere is not enough: the owner key names the game's folder
// (something inside it, or, as a product key, the folder itself), or the tree lies
// in the game's own product key of the machine.
bool IsOtherTreeTheGames(OwnerReader& reader, HKEY ownerKey, const TreeOwner& owner, HKEY machine) {
  const Tally own = reader.WalkKey(ownerKey);
  if (!own.Clean()) return false;
  if (own.inside > 0) return true;
  if (owner.productKey.empty()) return false;
  return NamesTheFolder(reader, ownerKey) ||
         IsTheGamesMachineProductKey(reader, machine, owner.productKey);
}

}  // namespace

bool IsTreeTheGames(const qiv::platform::CRegistryKeyPath& tree, const TreeOwner& owner,
                    const qiv::platform::FolderContents& game, HKEY machine) {
  // The owner and classes keys are keys of the opened path itself.
  if (owner.rule == TreeOwnerRule::kNever || owner.keys.empty() ||
      tree.Depth() != owner.keys.size() || owner.ownerDepth == 0 ||
      owner.ownerDepth > tree.Depth() || owner.classesDepth > tree.Depth()) {
    return false;
  }
  OwnerReader reader(game, tree.Last().ViewFlags());
  const HKEY ownerKey = tree.At(owner.ownerDepth);
  switch (owner.rule) {
    case TreeOwnerRule::kNever:
      return false;
    case TreeOwnerRule::kUninstallEntry:
      return IsUninstallEntryTheGames(reader, ownerKey);
    case TreeOwnerRule::kAppPathsEntry:
      return IsAppPathsEntryTheGames(reader, ownerKey);
    case TreeOwnerRule::kClass:
      return reader.WalkKey(ownerKey).NamesTheGame();
    case TreeOwnerRule::kFileExtension:
      return IsFileExtensionTheGames(reader, ownerKey, tree.At(owner.classesDepth));
    case TreeOwnerRule::kNoOtherOwner:
      return IsOtherTreeTheGames(reader, ownerKey, owner, machine);
  }
  return false;
}

}  // namespace qiv::removal
