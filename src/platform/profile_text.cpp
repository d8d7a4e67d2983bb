#include "platform/profile_text.h"

#include "platform/profile_conventions.h"
#include "platform/tstring.h"

namespace qiv::platform {

namespace {

constexpr char kUtf16ByteOrderMark[] = "\xFF\xFE";
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// The blanks the profile functions strip around names and values.
constexpr wchar_t kBlanks[] = L" \t\r\v\f";

std::wstring_view Trim(std::wstring_view text) {
  const size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::wstring_view::npos) return std::wstring_view();
  return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

bool SameName(std::wstring_view left, std::wstring_view right) {
  return String::_tstringW(std::wstring(left)).CompareNoCase(std::wstring(right)) == 0;
}

// A "[name]" line names a section; any other line that is neither blank nor a
// comment is a key's, named by what precedes its "=".
enum class Kind { kOther, kSection, kKey };
Kind Parse(std::wstring_view line, std::wstring& name) {
  const std::wstring_view text = Trim(line);
  if (text.empty() || text.front() == L';') return Kind::kOther;
  if (text.front() == L'[') {
    const size_t close = text.find(L']');
    if (close == std::wstring_view::npos) return Kind::kOther;
    name = text.substr(1, close - 1);  // blanks inside the brackets belong to the name
    return Kind::kSection;
  }
  name = Trim(text.substr(0, text.find(L'=')));
  return Kind::kKey;
}

bool IsBlank(const std::wstring& text) { return Trim(text).empty(); }

bool StartsWith(const std::string& bytes, const char* prefix, size_t length) {
  return bytes.size() >= length && bytes.compare(0, length, prefix, length) == 0;
}

}  // namespace

ProfileText::ProfileText(const std::string& bytes) {
  if (StartsWith(bytes, kUtf16ByteOrderMark, 2)) {
    encoding_ = Encoding::kUtf16Le;
    byteOrderMark_.assign(kUtf16ByteOrderMark, 2);
  } else if (StartsWith(bytes, kUtf8ByteOrderMark, 3)) {
    encoding_ = Encoding::kUtf8;
    byteOrderMark_.assign(kUtf8ByteOrderMark, 3);
  }
  std::string body = bytes.substr(byteOrderMark_.size());
  // Half a unit at the end is no text, and lines added after it would be shifted
  // by a byte: it goes, as the profile functions read no character from it.
  if (encoding_ == Encoding::kUtf16Le && body.size() % 2 != 0) body.pop_back();
  Split(body);
}

void ProfileText::Split(const std::string& body) {
  // A line ends at a line feed: one byte, or one UTF-16 unit at an even offset.
  const size_t unit = encoding_ == Encoding::kUtf16Le ? 2 : 1;
  size_t start = 0;
  while (start < body.size()) {
    size_t end = start;
    while (end + unit <= body.size() && !(body[end] == '\n' && (unit == 1 || body[end + 1] == 0)))
      end += unit;
    Line line;
    line.ended = end + unit <= body.size();
    line.bytes = body.substr(start, line.ended ? end + unit - start : std::string::npos);
    line.text = Decode(body.substr(start, end - start));
    if (lines_.empty() && line.ended && (line.text.empty() || line.text.back() != L'\r')) {
      lineEnd_ = L"\n";
    }
    if (!line.text.empty() && line.text.back() == L'\r') line.text.pop_back();
    start += line.bytes.size();
    lines_.push_back(std::move(line));
  }
}

std::wstring ProfileText::Decode(const std::string& bytes) const {
  switch (encoding_) {
    case Encoding::kUtf16Le: {
      std::wstring text;
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8));
      }
      return text;
    }
    case Encoding::kUtf8: {
      std::wstring text;
      String::Utf8ToWide(bytes.c_str(), text);
      return text;
    }
    case Encoding::kProfileText:
      break;
  }
  return DecodeProfileBytes(bytes);
}

std::string ProfileText::Encode(const std::wstring& text) const {
  switch (encoding_) {
    case Encoding::kUtf16Le: {
      std::string bytes;
      for (const wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
      }
      return bytes;
    }
    case Encoding::kUtf8: {
      std::string bytes;
      String::WideToUtf8(text.c_str(), bytes);
      return bytes;
    }
    case Encoding::kProfileText:
      break;
  }
  return EncodeProfileText(text);
}

ProfileText::Line ProfileText::NewLine(const std::wstring& text) const {
  return Line{Encode(text + lineEnd_), text, true};
}

void ProfileText::End(Line& line) const {
  if (line.ended) return;
  line.bytes += Encode(lineEnd_);
  line.ended = true;
}

bool ProfileText::FindSection(std::wstring_view name, Section& found) const {
  bool inside = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::wstring lineName;
    if (Parse(lines_[i].text, lineName) != Kind::kSection) continue;
    if (inside) {
      found.end = i;
      return true;
    }
    if (SameName(lineName, name)) {
      inside = true;
      found.begin = i + 1;
    }
  }
  found.end = lines_.size();
  return inside;
}

void ProfileText::Set(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  const std::wstring sectionName(Trim(section));
  const std::wstring keyName(Trim(key));
  Section found{};
  if (!FindSection(sectionName, found)) {
    if (!lines_.empty()) {
      End(lines_.back());
      if (!IsBlank(lines_.back().text)) lines_.push_back(NewLine(std::wstring()));
    }
    lines_.push_back(NewLine(L"[" + sectionName + L"]"));
    lines_.push_back(NewLine(keyName + L"=" + std::wstring(value)));
    return;
  }
  size_t insertAt = found.begin;
  for (size_t i = found.begin; i < found.end; ++i) {
    std::wstring lineName;
    if (Parse(lines_[i].text, lineName) == Kind::kKey && SameName(lineName, keyName)) {
      // Rewritten in place; the last line keeps going without a line end.
      Line replaced = NewLine(lineName + L"=" + std::wstring(value));
      if (!lines_[i].ended) replaced = Line{Encode(replaced.text), replaced.text, false};
      lines_[i] = std::move(replaced);
      return;
    }
    if (!IsBlank(lines_[i].text)) insertAt = i + 1;
  }
  End(lines_[insertAt - 1]);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                NewLine(keyName + L"=" + std::wstring(value)));
}

std::string ProfileText::Bytes() const {
  std::string bytes = byteOrderMark_;
  for (const Line& line : lines_) bytes += line.bytes;
  return bytes;
}

}  // namespace qiv::platform
