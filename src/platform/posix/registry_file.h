// A registry file in the regedit export format ("Windows Registry Editor Version
// 5.00" or "REGEDIT4"): read into keys and values the way regedit imports it, and
// rewritten with a key removed while every other line stays as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/registry_tree.h"
#include "platform/posix/text_file.h"

namespace qiv::posix {

class RegistryDocument {
 public:
  RegistryDocument() = default;
  static RegistryDocument FromBytes(const std::string& bytes);
  std::string ToBytes() const { return EncodeText(text_); }

  // Applies the document's sections in order: key sections create keys and set or
  // remove values, "[-...]" sections remove key trees. Lines that cannot be read
  // are skipped.
  void BuildTree(RegistryTree& tree) const;

  // The document without every section for the key at `path` or below it. When
  // `parentNames` is given, an empty section for the parent (with those names) takes
  // the place of the last removed section, so the parent survives a re-read.
  RegistryDocument WithoutKey(RegistryRoot root, const std::vector<std::wstring>& path,
                              const std::vector<std::wstring>* parentNames) const;

 private:
  struct Section {
    size_t headerLine = 0;
    size_t endLine = 0;  // one past the section's last line
    bool valid = false;
    bool deletion = false;
    RegistryRoot root = RegistryRoot::kLocalMachine;
    std::vector<std::wstring> path;
  };

  explicit RegistryDocument(TextDocument text);
  void FindSections();
  void ApplyValues(const Section& section, RegistryKey& key) const;

  TextDocument text_;
  std::vector<Section> sections_;
};

// One value line (continuation lines already joined): the value name (empty for
// "@") and either the value or nothing for a "=-" removal. False when malformed.
struct RegistryValueLine {
  std::wstring name;
  std::optional<RegistryValue> value;
};
bool ParseRegistryValueLine(std::wstring_view line, RegistryValueLine& parsed);

}  // namespace qiv::posix
