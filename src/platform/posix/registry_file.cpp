#include "platform/posix/registry_file.h"

#include "base/strings/trim.h"
#include "platform/posix/case_fold.h"
#include "platform/posix/utf.h"

namespace qiv::posix {

namespace {

constexpr uint32_t kTypeString = 1;
constexpr uint32_t kTypeBinary = 3;
constexpr uint32_t kTypeDword = 4;

// A line of a file written with CRLF ends keeps its CR; it trims like a blank.
constexpr std::wstring_view kLineEndBlanks = L" \t\r";

std::wstring_view TrimRight(std::wstring_view text) {
  return String::TrimEnd(text, kLineEndBlanks);
}

std::wstring_view Trim(std::wstring_view text) { return TrimRight(String::TrimStart(text)); }

bool ConsumePrefix(std::wstring_view& text, std::wstring_view prefix) {
  if (text.size() < prefix.size() || !EqualsIgnoringCase(text.substr(0, prefix.size()), prefix)) {
    return false;
  }
  text.remove_prefix(prefix.size());
  return true;
}

int HexDigit(wchar_t unit) {
  if (unit >= L'0' && unit <= L'9') return unit - L'0';
  if (unit >= L'a' && unit <= L'f') return unit - L'a' + 10;
  if (unit >= L'A' && unit <= L'F') return unit - L'A' + 10;
  return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
bool ParseHexNumber(std::wstring_view text, size_t maxDigits, uint32_t& number) {
  if (text.empty() || text.size() > maxDigits) return false;
  number = 0;
  for (wchar_t unit : text) {
    const int digit = HexDigit(unit);
    if (digit < 0) return false;
    number = (number << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

// A quoted text starting at text[0] == '"', with the \\ and \" escapes; any other
// backslash stands for itself. Leaves `text` after the closing quote.
bool ParseQuoted(std::wstring_view& text, std::wstring& result) {
  if (text.empty() || text.front() != L'"') return false;
  result.clear();
  for (size_t i = 1; i < text.size(); ++i) {
    const wchar_t unit = text[i];
    if (unit == L'"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (unit == L'\\' && i + 1 < text.size() && (text[i + 1] == L'\\' || text[i + 1] == L'"')) {
      result.push_back(text[++i]);
    } else {
      result.push_back(unit);
    }
  }
  return false;
}

std::vector<uint8_t> StringData(const std::wstring& text) {
  std::vector<uint8_t> data;
  data.reserve((text.size() + 1) * 2);
  for (wchar_t unit : text) {
    data.push_back(static_cast<uint8_t>(unit & 0xFF));
    data.push_back(static_cast<uint8_t>((unit >> 8) & 0xFF));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

// Comma-separated bytes of one or two hex digits; a trailing comma is allowed.
bool ParseHexBytes(std::wstring_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  text = Trim(text);
  while (!text.empty()) {
    const size_t comma = text.find(L',');
    const std::wstring_view token = Trim(text.substr(0, comma));
    uint32_t byte = 0;
    if (!ParseHexNumber(token, 2, byte)) return false;
    bytes.push_back(static_cast<uint8_t>(byte));
    if (comma == std::wstring_view::npos) break;
    text = String::TrimStart(text.substr(comma + 1));
  }
  return true;
}

bool ParseValueData(std::wstring_view text, RegistryValue& value) {
  text = TrimRight(text);
  std::wstring string;
  if (!text.empty() && text.front() == L'"') {
    if (!ParseQuoted(text, string) || !Trim(text).empty()) return false;
    value = {kTypeString, StringData(string)};
    return true;
  }
  uint32_t number = 0;
  if (ConsumePrefix(text, L"dword:")) {
    if (!ParseHexNumber(text, 8, number)) return false;
    value = {kTypeDword,
             {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
              static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)}};
    return true;
  }
  if (ConsumePrefix(text, L"hex:")) {
    value.type = kTypeBinary;
    return ParseHexBytes(text, value.data);
  }
  const bool hexData = ConsumePrefix(text, L"hex(");
  if (hexData || ConsumePrefix(text, L"str(")) {
    const size_t close = text.find(L"):");
    if (close == std::wstring_view::npos || !ParseHexNumber(text.substr(0, close), 8, number)) {
      return false;
    }
    text.remove_prefix(close + 2);
    value.type = number;
    if (hexData) return ParseHexBytes(text, value.data);
    text = String::TrimStart(text);
    if (!ParseQuoted(text, string) || !Trim(text).empty()) return false;
    value.data = StringData(string);
    return true;
  }
  return false;
}

bool IsHeaderLine(std::wstring_view line) {
  line = String::TrimStart(line);
  return !line.empty() && line.front() == L'[';
}

bool IsCommentLine(std::wstring_view line) {
  line = String::TrimStart(line);
  return !line.empty() && line.front() == L';';
}

bool StartsWithPath(const std::vector<std::wstring>& path,
                    const std::vector<std::wstring>& prefix) {
  if (path.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!EqualsIgnoringCase(path[i], prefix[i])) return false;
  }
  return true;
}

// Splits `name=data` (or `@=data`); `data` is left trimmed.
bool SplitValueLine(std::wstring_view line, std::wstring& name, std::wstring_view& data) {
  line = String::TrimStart(line);
  if (line.empty()) return false;
  if (line.front() == L'@') {
    name.clear();
    line.remove_prefix(1);
  } else if (!ParseQuoted(line, name)) {
    return false;
  }
  line = String::TrimStart(line);
  if (line.empty() || line.front() != L'=') return false;
  data = Trim(line.substr(1));
  return true;
}

// Binary data continues on the next line after a trailing backslash.
bool ContinuesOnNextLine(std::wstring_view line) {
  std::wstring name;
  std::wstring_view data;
  return SplitValueLine(line, name, data) && ConsumePrefix(data, L"hex") && !data.empty() &&
         data.back() == L'\\';
}

}  // namespace

bool ParseRegistryValueLine(std::wstring_view line, RegistryValueLine& parsed) {
  std::wstring_view data;
  if (!SplitValueLine(line, parsed.name, data)) return false;
  if (data == L"-") {
    parsed.value.reset();
    return true;
  }
  RegistryValue value;
  if (!ParseValueData(data, value)) return false;
  parsed.value = std::move(value);
  return true;
}

RegistryDocument::RegistryDocument(TextDocument text) : text_(std::move(text)) { FindSections(); }

RegistryDocument RegistryDocument::FromBytes(const std::string& bytes) {
  return RegistryDocument(DecodeText(bytes));
}

void RegistryDocument::FindSections() {
  sections_.clear();
  for (size_t i = 0; i < text_.lines.size(); ++i) {
    const std::wstring line = Utf8ToUtf16(text_.lines[i]);
    if (!IsHeaderLine(line)) continue;
    if (!sections_.empty()) sections_.back().endLine = i;
    Section section;
    section.headerLine = i;
    section.endLine = text_.lines.size();

    std::wstring_view header = String::TrimStart(std::wstring_view(line));
    const size_t close = header.rfind(L']');
    if (close != std::wstring_view::npos) {
      std::wstring_view path = header.substr(1, close - 1);
      section.deletion = !path.empty() && path.front() == L'-';
      if (section.deletion) path.remove_prefix(1);
      const size_t slash = path.find(L'\\');
      const std::optional<RegistryRoot> root = RegistryRootFromName(path.substr(0, slash));
      std::optional<std::vector<std::wstring>> names;
      if (root) {
        names = slash == std::wstring_view::npos ? std::vector<std::wstring>()
                                                 : SplitKeyPath(path.substr(slash + 1));
      }
      if (root && names) {
        section.valid = true;
        section.root = *root;
        section.path = std::move(*names);
      }
    }
    sections_.push_back(std::move(section));
  }
}

void RegistryDocument::ApplyValues(const Section& section, RegistryKey& key) const {
  for (size_t i = section.headerLine + 1; i < section.endLine; ++i) {
    std::wstring line(TrimRight(Utf8ToUtf16(text_.lines[i])));
    if (ContinuesOnNextLine(line)) {
      while (!line.empty() && line.back() == L'\\' && i + 1 < section.endLine) {
        const std::wstring next = Utf8ToUtf16(text_.lines[++i]);
        if (IsCommentLine(next)) continue;
        line.pop_back();
        line += Trim(next);
      }
      if (!line.empty() && line.back() == L'\\') line.pop_back();
    }
    RegistryValueLine parsed;
    if (!ParseRegistryValueLine(line, parsed)) continue;
    if (parsed.value) {
      key.SetValue(parsed.name, std::move(*parsed.value));
    } else {
      key.RemoveValue(parsed.name);
    }
  }
}

void RegistryDocument::BuildTree(RegistryTree& tree) const {
  for (const Section& section : sections_) {
    if (!section.valid) continue;
    if (section.deletion) {
      tree.RemoveTree(section.root, section.path);
      continue;
    }
    ApplyValues(section, *tree.FindOrCreate(section.root, section.path));
  }
}

RegistryDocument RegistryDocument::WithoutKey(RegistryRoot root,
                                              const std::vector<std::wstring>& path,
                                              const std::vector<std::wstring>* parentNames) const {
  TextDocument text;
  text.format = text_.format;
  std::optional<size_t> placeholder;
  size_t copiedUpTo = 0;
  for (const Section& section : sections_) {
    if (!section.valid || section.root != root || !StartsWithPath(section.path, path)) continue;
    text.lines.insert(text.lines.end(), text_.lines.begin() + copiedUpTo,
                      text_.lines.begin() + section.headerLine);
    copiedUpTo = section.endLine;
    placeholder = text.lines.size();
  }
  text.lines.insert(text.lines.end(), text_.lines.begin() + copiedUpTo, text_.lines.end());

  if (parentNames != nullptr) {
    std::wstring header = std::wstring(L"[") + RegistryRootName(root);
    for (const std::wstring& name : *parentNames) header += L"\\" + name;
    header += L"]";
    const size_t at = placeholder.value_or(text.lines.size());
    text.lines.insert(text.lines.begin() + at, {Utf16ToUtf8(header), std::string()});
  }
  return RegistryDocument(std::move(text));
}

}  // namespace qiv::posix
