// A profile (INI) file as the Windows profile functions see it: "[section]" lines,
// "key=value" lines, and everything else (comments, blank lines) kept as it is.
// Section and key names compare without regard to case and surrounding blanks;
// the first section of a name, and the first key of a name in it, count.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/text_file.h"

namespace qiv::posix {

class ProfileDocument {
 public:
  // New files are UTF-8 with CR LF line ends, as Windows writes them.
  ProfileDocument();
  static ProfileDocument FromBytes(const std::string& bytes);
  std::string ToBytes() const { return EncodeText(text_); }

  // The value, trimmed of surrounding blanks (quotes are left to the caller);
  // nothing when the section or key is missing or the key line has no "=".
  std::optional<std::wstring> Find(std::wstring_view section, std::wstring_view key) const;
  std::vector<std::wstring> SectionNames() const;
  // Names of the key lines of the section, or nothing when it is missing.
  std::optional<std::vector<std::wstring>> KeyNames(std::wstring_view section) const;

  // Each returns whether the document changed.
  bool Set(std::wstring_view section, std::wstring_view key, std::wstring_view value);
  bool RemoveKey(std::wstring_view section, std::wstring_view key);
  bool RemoveSection(std::wstring_view section);

 private:
  struct Section {
    std::wstring name;
    size_t header;  // the "[...]" line, or npos for lines before the first section
    size_t begin;   // first line after the header
    size_t end;
  };
  std::vector<Section> Sections() const;
  std::optional<Section> FindSection(std::wstring_view name) const;

  TextDocument text_;
};

}  // namespace qiv::posix
