#include "removal/registry_tree_guard.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <vector>

#include "base/strings/case_rules.h"
#include "base/strings/trim.h"
#include "platform/current_user.h"

namespace qiv::removal {

namespace {

using Components = std::vector<std::wstring>;
using Path = std::span<const std::wstring>;
using Pattern = std::initializer_list<const wchar_t*>;
using qiv::removal::TreeOwnerRule;

// Which row of the table applies, and how many components of the whole path name
// the key whose contents decide.
struct Verdict {
  TreeOwnerRule rule = TreeOwnerRule::kNever;
  size_t ownerDepth = 0;
  size_t classesDepth = 0;
  // Where the vendor's name stands in a tree of a product key (0: no product key).
  size_t vendorDepth = 0;
};

const Verdict kNever{};

// Splits at backslashes, trims blanks, drops empty and "." components, folds case;
// `spelt` keeps each kept component as the item wrote it. False for a "..".
bool SplitKeyPath(const std::wstring& path, Components& components, Components& spelt) {
  components.clear();
  spelt.clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring component =
        String::FoldRegistryName(String::Trim(std::wstring_view(path.data() + start, end - start)));
    if (component == L"..") return false;
    if (!component.empty() && component != L".") {
      components.push_back(std::move(component));
      spelt.push_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return true;
}

bool Equals(Path path, Pattern pattern) {
  return path.size() == pattern.size() && std::equal(path.begin(), path.end(), pattern.begin());
}

bool StartsWith(Path path, Pattern pattern) {
  return path.size() >= pattern.size() && std::equal(pattern.begin(), pattern.end(), path.begin());
}

bool EqualsAny(Path path, std::initializer_list<Pattern> patterns) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [path](Pattern pattern) { return Equals(path, pattern); });
}

Path SkipMirrors(Path path) {
  while (!path.empty() && (path.front() == L"wow6432node" || path.front() == L"wow3264node")) {
    path = path.subspan(1);
  }
  return path;
}

// `path` is the tail of `all`; the verdict counts depth in `all`.
size_t Offset(Path all, Path path) { return all.size() - path.size(); }

Verdict Owned(TreeOwnerRule rule, Path all, Path path, size_t ownerLength) {
  return {rule, Offset(all, path) + std::min(ownerLength, path.size()), 0};
}

// How many names make one class below a container of classes.
size_t ClassLength(Path path) {
  static const wchar_t* const kTwoLevel[] = {L"clsid",       L"interface", L"typelib",
                                             L"appid",       L"record",    L"component categories",
                                             L"applications"};
  for (const wchar_t* name : kTwoLevel) {
    if (path.front() == name) return 2;
  }
  if (StartsWith(path, {L"mime", L"database"})) return 4;
  if (path.front() == L"protocols") return 3;
  return 1;
}

// Below a classes root (HKEY_CLASSES_ROOT or SOFTWARE\Classes).
Verdict ClassifyClassesTree(Path all, Path path) {
  path = SkipMirrors(path);
  if (path.empty()) return kNever;
  const size_t classesDepth = Offset(all, path);
  // Classes the shell and the system need whole: deleting one breaks starting
  // programs, shortcuts or folders for every user.
  static const wchar_t* const kSystemClasses[] = {L"*",
                                                  L"allfilesystemobjects",
                                                  L"directory",
                                                  L"drive",
                                                  L"folder",
                                                  L"unknown",
                                                  L"exefile",
                                                  L".exe",
                                                  L"lnkfile",
                                                  L".lnk",
                                                  L"batfile",
                                                  L".bat",
                                                  L"cmdfile",
                                                  L".cmd",
                                                  L"comfile",
                                                  L".com",
                                                  L"dllfile",
                                                  L".dll",
                                                  L"msi.package",
                                                  L".msi",
                                                  L"regfile",
                                                  L".reg",
                                                  L"internetshortcut",
                                                  L".url",
                                                  L"http",
                                                  L"https",
                                                  L"file",
                                                  L"installer",
                                                  L"local settings",
                                                  L"systemfileassociations"};
  for (const wchar_t* name : kSystemClasses) {
    if (path.front() == name) return kNever;
  }
  // Containers shared by every COM server, type library and content type.
  if (EqualsAny(path, {{L"clsid"},
                       {L"interface"},
                       {L"typelib"},
                       {L"appid"},
                       {L"applications"},
                       {L"component categories"},
                       {L"record"},
                       {L"mime"},
                       {L"mime", L"database"},
                       {L"mime", L"database", L"content type"},
                       {L"mime", L"database", L"codepage"},
                       {L"mime", L"database", L"charset"},
                       {L"protocols"},
                       {L"protocols", L"handler"},
                       {L"protocols", L"filter"}})) {
    return kNever;
  }
  const bool extension = path.front().size() > 1 && path.front().front() == L'.';
  Verdict verdict = Owned(extension ? TreeOwnerRule::kFileExtension : TreeOwnerRule::kClass, all,
                          path, ClassLength(path));
  verdict.classesDepth = classesDepth;
  return verdict;
}

// Below SOFTWARE\Microsoft: only the entries of the lists where installers register
// a product. Image File Execution Options (who debugs or replaces a program) and
// Active Setup (what runs at every logon) are policy and start-up: never a game's.
Verdict ClassifyMicrosoftTree(Path all, Path path) {
  static const struct {
    Pattern list;
    TreeOwnerRule rule;
  } kProductLists[] = {
      {{L"windows", L"currentversion", L"uninstall"}, TreeOwnerRule::kUninstallEntry},
      {{L"windows", L"currentversion", L"app paths"}, TreeOwnerRule::kAppPathsEntry},
      {{L"windows", L"currentversion", L"gameux", L"games"}, TreeOwnerRule::kNoOtherOwner},
      {{L"windows", L"windows error reporting", L"localdumps"}, TreeOwnerRule::kNoOtherOwner},
      {{L"directplay", L"applications"}, TreeOwnerRule::kNoOtherOwner},
      {{L"directplay8", L"applications"}, TreeOwnerRule::kNoOtherOwner},
      {{L"tracing"}, TreeOwnerRule::kNoOtherOwner},
      {{L"microsoft games"}, TreeOwnerRule::kNoOtherOwner}};
  for (const auto& entry : kProductLists) {
    if (path.size() > entry.list.size() && StartsWith(path, entry.list)) {
      return Owned(entry.rule, all, path, entry.list.size() + 1);
    }
  }
  return kNever;
}

// Below a SOFTWARE key.
Verdict ClassifySoftwareTree(Path all, Path path) {
  path = SkipMirrors(path);
  if (path.empty()) return kNever;
  const std::wstring& top = path.front();
  if (top == L"classes") return ClassifyClassesTree(all, path.subspan(1));
  if (top == L"microsoft") return ClassifyMicrosoftTree(all, path.subspan(1));
  if (top == L"policies") return kNever;
  // Clients\<kind> lists the programs of one kind (browsers, mail, ...); each
  // entry below it names its program like a class.
  if (top == L"clients") {
    return path.size() <= 2 ? kNever : Owned(TreeOwnerRule::kClass, all, path, 3);
  }
  // Shared by every product: ODBC drivers, registered applications, and this
  // client's own company and product keys (the product key is removed by the
  // uninstaller itself once no game is left).
  if (EqualsAny(path, {{L"registeredapplications"},
                       {L"odbc"},
                       {L"odbc", L"odbc.ini"},
                       {L"odbc", L"odbcinst.ini"},
                       {L"orvandel"},
                       {L"orvandel", L"vantor"}})) {
    return kNever;
  }
  // A game's registration under this client's product key is judged by itself: its
  // INSTALL_PATH must be the game's folder.
  if (StartsWith(path, {L"orvandel", L"vantor"})) {
    return Owned(TreeOwnerRule::kNoOtherOwner, all, path, 3);
  }
  // A vendor container is judged whole; below it, the product key (vendor\product)
  // that holds the tree.
  Verdict verdict = Owned(TreeOwnerRule::kNoOtherOwner, all, path, 2);
  if (path.size() >= 2) verdict.vendorDepth = Offset(all, path);
  return verdict;
}

// Below the root of one user's hive or of HKEY_LOCAL_MACHINE.
Verdict ClassifyHiveTree(Path all, Path path) {
  if (path.size() < 2 || path.front() != L"software") return kNever;
  return ClassifySoftwareTree(all, path.subspan(1));
}

std::wstring Join(const Components& spelt, size_t count) {
  std::wstring joined;
  for (size_t i = 0; i < count && i < spelt.size(); ++i) {
    if (i > 0) joined += L'\\';
    joined += spelt[i];
  }
  return joined;
}

std::wstring FoldedCurrentUserSid() {
  return String::FoldRegistryName(qiv::platform::CurrentUserSid());
}

Verdict Classify(HKEY root, Path all) {
  if (root == HKEY_CLASSES_ROOT) return ClassifyClassesTree(all, all);
  if (root == HKEY_LOCAL_MACHINE || root == HKEY_CURRENT_USER) return ClassifyHiveTree(all, all);
  if (root == HKEY_USERS) {
    // HKEY_USERS\<user> and HKEY_USERS\<user>_Classes are hives of their own; only
    // the hives of the user running this program are its to change.
    if (all.empty()) return kNever;
    static const std::wstring sid = FoldedCurrentUserSid();
    if (sid.empty()) return kNever;
    if (all.front() == sid + L"_classes") return ClassifyClassesTree(all, all.subspan(1));
    return all.front() == sid ? ClassifyHiveTree(all, all.subspan(1)) : kNever;
  }
  // HKEY_CURRENT_CONFIG is a view of the system's hardware profile; the
  // performance roots are no keys at all.
  return kNever;
}

}  // namespace

TreeOwner ClassifyRegistryTree(HKEY root, const std::wstring& path) {
  Components components;
  Components spelt;
  if (!SplitKeyPath(path, components, spelt)) return {};
  const Verdict verdict = Classify(root, Path(components));
  if (verdict.rule == TreeOwnerRule::kNever) return {};
  TreeOwner owner;
  owner.rule = verdict.rule;
  owner.ownerKey = Join(spelt, verdict.ownerDepth);
  owner.classesKey = Join(spelt, verdict.classesDepth);
  owner.ownerDepth = verdict.ownerDepth;
  owner.classesDepth = verdict.classesDepth;
  if (verdict.vendorDepth > 0) {
    owner.productKey = {L"SOFTWARE", spelt[verdict.vendorDepth], spelt[verdict.vendorDepth + 1]};
  }
  owner.keys = std::move(spelt);
  return owner;
}

bool IsRegistryTreeRemovable(HKEY root, const std::wstring& path) {
  return ClassifyRegistryTree(root, path).rule != TreeOwnerRule::kNever;
}

}  // namespace qiv::removal
