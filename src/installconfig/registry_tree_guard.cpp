#include "installconfig/registry_tree_guard.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <vector>

#include "platform/current_user.h"

namespace qiv::installconfig {

namespace {

using Components = std::vector<std::wstring>;
using Path = std::span<const std::wstring>;
using Pattern = std::initializer_list<const wchar_t*>;

// Registry names compare without case. Besides ASCII, the two letters whose
// capitals are ASCII fold too, so no spelling slips past a comparison.
wchar_t FoldUnit(wchar_t unit) {
  if (unit >= L'A' && unit <= L'Z') return static_cast<wchar_t>(unit + (L'a' - L'A'));
  if (unit == 0x0131) return L'i';
  if (unit == 0x017F) return L's';
  return unit;
}

bool IsBlank(wchar_t unit) { return unit == L' ' || unit == L'\t'; }

// Splits at backslashes, trims blanks, drops empty and "." components, folds case.
// False for a ".." component.
bool SplitKeyPath(const std::wstring& path, Components& components) {
  components.clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    size_t first = start;
    size_t last = end;
    while (first < last && IsBlank(path[first])) ++first;
    while (last > first && IsBlank(path[last - 1])) --last;
    std::wstring component;
    for (size_t i = first; i < last; ++i) component.push_back(FoldUnit(path[i]));
    if (component == L"..") return false;
    if (!component.empty() && component != L".") components.push_back(std::move(component));
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

// Below a classes root (HKEY_CLASSES_ROOT or SOFTWARE\Classes).
bool IsClassesTreeRemovable(Path path) {
  path = SkipMirrors(path);
  if (path.empty()) return false;
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
    if (path.front() == name) return false;
  }
  // Containers shared by every COM server, type library and content type.
  return !EqualsAny(path, {{L"clsid"},
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
                           {L"protocols", L"filter"}});
}

// Below SOFTWARE\Microsoft: only the lists where installers register a product.
bool IsMicrosoftTreeRemovable(Path path) {
  static const std::initializer_list<Pattern> kProductLists = {
      {L"windows", L"currentversion", L"uninstall"},
      {L"windows", L"currentversion", L"app paths"},
      {L"windows", L"currentversion", L"gameux", L"games"},
      {L"windows", L"windows error reporting", L"localdumps"},
      {L"windows nt", L"currentversion", L"image file execution options"},
      {L"directplay", L"applications"},
      {L"directplay8", L"applications"},
      {L"active setup", L"installed components"},
      {L"tracing"},
      {L"microsoft games"}};
  return std::any_of(kProductLists.begin(), kProductLists.end(), [path](Pattern list) {
    return path.size() > list.size() && StartsWith(path, list);
  });
}

// Below a SOFTWARE key.
bool IsSoftwareTreeRemovable(Path path) {
  path = SkipMirrors(path);
  if (path.empty()) return false;
  const std::wstring& top = path.front();
  if (top == L"classes") return IsClassesTreeRemovable(path.subspan(1));
  if (top == L"microsoft") return IsMicrosoftTreeRemovable(path.subspan(1));
  if (top == L"policies") return false;
  // Clients\<kind> lists the programs of one kind (browsers, mail, ...).
  if (top == L"clients" && path.size() <= 2) return false;
  // Shared by every product: ODBC drivers, registered applications, and this
  // client's own company and product keys (the product key is removed by the
  // uninstaller itself once no game is left).
  return !EqualsAny(path, {{L"registeredapplications"},
                           {L"odbc"},
                           {L"odbc", L"odbc.ini"},
                           {L"odbc", L"odbcinst.ini"},
                           {L"orvandel"},
                           {L"orvandel", L"vantor"}});
}

// Below the root of one user's hive or of HKEY_LOCAL_MACHINE.
bool IsHiveTreeRemovable(Path path) {
  return path.size() >= 2 && path.front() == L"software" &&
         IsSoftwareTreeRemovable(path.subspan(1));
}

std::wstring FoldedCurrentUserSid() {
  std::wstring sid = qiv::platform::CurrentUserSid();
  for (wchar_t& unit : sid) unit = FoldUnit(unit);
  return sid;
}

}  // namespace

bool IsRegistryTreeRemovable(HKEY root, const std::wstring& path) {
  Components components;
  if (!SplitKeyPath(path, components)) return false;
  const Path all(components);
  if (root == HKEY_CLASSES_ROOT) return IsClassesTreeRemovable(all);
  if (root == HKEY_LOCAL_MACHINE || root == HKEY_CURRENT_USER) return IsHiveTreeRemovable(all);
  if (root == HKEY_USERS) {
    // HKEY_USERS\<user> and HKEY_USERS\<user>_Classes are hives of their own; only
    // the hives of the user running this program are its to change.
    if (all.empty()) return false;
    static const std::wstring sid = FoldedCurrentUserSid();
    if (sid.empty()) return false;
    if (all.front() == sid + L"_classes") return IsClassesTreeRemovable(all.subspan(1));
    return all.front() == sid && IsHiveTreeRemovable(all.subspan(1));
  }
  // HKEY_CURRENT_CONFIG is a view of the system's hardware profile; the
  // performance roots are no keys at all.
  return false;
}

}  // namespace qiv::installconfig
