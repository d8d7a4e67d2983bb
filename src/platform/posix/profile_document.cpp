#include "platform/posix/profile_document.h"

#include "base/strings/trim.h"
#include "platform/posix/case_fold.h"
#include "platform/posix/utf.h"

namespace qiv::posix {

namespace {

// The blanks the system's profile functions strip around names and values.
std::wstring_view Trim(std::wstring_view text) { return String::Trim(text, L" \t\r\v\f"); }

struct Line {
  enum class Kind { kOther, kSection, kKey };
  Kind kind = Kind::kOther;
  std::wstring name;
  std::wstring value;
  bool hasValue = false;
};

Line ParseLine(const std::string& utf8) {
  const std::wstring wide = Utf8ToUtf16(utf8);
  const std::wstring_view text = Trim(wide);
  Line line;
  if (text.empty() || text.front() == L';') return line;
  if (text.front() == L'[') {
    const size_t close = text.find(L']');
    if (close != std::wstring_view::npos) {
      line.kind = Line::Kind::kSection;
      line.name = text.substr(1, close - 1);
    }
    return line;
  }
  line.kind = Line::Kind::kKey;
  const size_t equals = text.find(L'=');
  line.name = Trim(text.substr(0, equals));
  if (equals != std::wstring_view::npos) {
    line.hasValue = true;
    line.value = Trim(text.substr(equals + 1));
  }
  return line;
}

bool IsBlankLine(const std::string& line) { return Trim(Utf8ToUtf16(line)).empty(); }

std::string KeyLine(std::wstring_view key, std::wstring_view value) {
  return Utf16ToUtf8(std::wstring(key) + L"=" + std::wstring(value));
}

}  // namespace

ProfileDocument::ProfileDocument() {
  text_.format.lineEnd = "\r\n";
  text_.format.finalLineEnd = true;
}

ProfileDocument ProfileDocument::FromBytes(const std::string& bytes) {
  ProfileDocument document;
  if (!bytes.empty()) document.text_ = DecodeText(bytes);
  return document;
}

std::vector<ProfileDocument::Section> ProfileDocument::Sections() const {
  std::vector<Section> sections;
  sections.push_back({L"", std::string::npos, 0, text_.lines.size()});
  for (size_t i = 0; i < text_.lines.size(); ++i) {
    Line line = ParseLine(text_.lines[i]);
    if (line.kind != Line::Kind::kSection) continue;
    sections.back().end = i;
    sections.push_back({std::move(line.name), i, i + 1, text_.lines.size()});
  }
  return sections;
}

std::optional<ProfileDocument::Section> ProfileDocument::FindSection(std::wstring_view name) const {
  name = Trim(name);
  for (Section& section : Sections()) {
    if (EqualsIgnoringCase(section.name, name)) return std::move(section);
  }
  return std::nullopt;
}

std::optional<std::wstring> ProfileDocument::Find(std::wstring_view sectionName,
                                                  std::wstring_view key) const {
  const std::optional<Section> section = FindSection(sectionName);
  if (!section) return std::nullopt;
  key = Trim(key);
  for (size_t i = section->begin; i < section->end; ++i) {
    Line line = ParseLine(text_.lines[i]);
    if (line.kind != Line::Kind::kKey || !EqualsIgnoringCase(line.name, key)) continue;
    if (!line.hasValue) return std::nullopt;
    return std::move(line.value);
  }
  return std::nullopt;
}

std::vector<std::wstring> ProfileDocument::SectionNames() const {
  std::vector<std::wstring> names;
  for (const Section& section : Sections()) {
    if (section.header != std::string::npos) names.push_back(section.name);
  }
  return names;
}

std::optional<std::vector<std::wstring>> ProfileDocument::KeyNames(
    std::wstring_view sectionName) const {
  const std::optional<Section> section = FindSection(sectionName);
  if (!section) return std::nullopt;
  std::vector<std::wstring> names;
  for (size_t i = section->begin; i < section->end; ++i) {
    Line line = ParseLine(text_.lines[i]);
    if (line.kind == Line::Kind::kKey && line.hasValue) names.push_back(std::move(line.name));
  }
  return names;
}

bool ProfileDocument::Set(std::wstring_view sectionName, std::wstring_view key,
                          std::wstring_view value) {
  key = Trim(key);
  const std::optional<Section> section = FindSection(sectionName);
  if (!section) {
    if (!text_.lines.empty() && !IsBlankLine(text_.lines.back())) text_.lines.emplace_back();
    text_.lines.push_back(Utf16ToUtf8(L"[" + std::wstring(Trim(sectionName)) + L"]"));
    text_.lines.push_back(KeyLine(key, value));
    text_.format.finalLineEnd = true;
    return true;
  }
  // A new key goes after the section's last non-blank line.
  size_t insertAt = section->begin;
  for (size_t i = section->begin; i < section->end; ++i) {
    const Line line = ParseLine(text_.lines[i]);
    if (line.kind == Line::Kind::kKey && EqualsIgnoringCase(line.name, key)) {
      const std::string replacement = KeyLine(line.name, value);
      if (text_.lines[i] == replacement) return false;
      text_.lines[i] = replacement;
      return true;
    }
    if (!IsBlankLine(text_.lines[i])) insertAt = i + 1;
  }
  text_.lines.insert(text_.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                     KeyLine(key, value));
  if (insertAt + 1 == text_.lines.size()) text_.format.finalLineEnd = true;
  return true;
}

bool ProfileDocument::RemoveKey(std::wstring_view sectionName, std::wstring_view key) {
  const std::optional<Section> section = FindSection(sectionName);
  if (!section) return false;
  key = Trim(key);
  bool changed = false;
  for (size_t i = section->end; i-- > section->begin;) {
    const Line line = ParseLine(text_.lines[i]);
    if (line.kind == Line::Kind::kKey && EqualsIgnoringCase(line.name, key)) {
      text_.lines.erase(text_.lines.begin() + static_cast<std::ptrdiff_t>(i));
      changed = true;
    }
  }
  return changed;
}

bool ProfileDocument::RemoveSection(std::wstring_view name) {
  name = Trim(name);
  const std::vector<Section> sections = Sections();
  bool changed = false;
  for (size_t s = sections.size(); s-- > 0;) {
    const Section& section = sections[s];
    if (section.header == std::string::npos || !EqualsIgnoringCase(section.name, name)) continue;
    text_.lines.erase(text_.lines.begin() + static_cast<std::ptrdiff_t>(section.header),
                      text_.lines.begin() + static_cast<std::ptrdiff_t>(section.end));
    changed = true;
  }
  return changed;
}

}  // namespace qiv::posix
