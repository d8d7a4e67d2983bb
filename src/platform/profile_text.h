// A profile (INI) file's bytes, edited as the system's profile functions edit it:
// "[section]" lines, "key=value" lines, and everything else (comments, blank
// lines) kept as it was. Section and key names compare without regard to case and
// surrounding blanks; the first section of a name, and the first key of a name in
// it, count. Lines that are not changed keep their very bytes, and the file keeps
// its encoding: UTF-16LE with its byte order mark, UTF-8 with its byte order mark,
// or the platform's profile text (profile_conventions.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qiv::platform {

struct ProfileValue {
  std::wstring key;
  std::wstring value;
};

class ProfileText {
 public:
  // The bytes of an existing file; none for a file that is to be created.
  explicit ProfileText(const std::string& bytes = std::string());

  // Sets the key in the section, written as given: an existing key's line is
  // rewritten in place; a new key goes after the section's last line that is not
  // blank; a new section is appended at the end, after a blank line.
  void Set(std::wstring_view section, std::wstring_view key, std::wstring_view value);

  std::string Bytes() const;

 private:
  enum class Encoding { kProfileText, kUtf8, kUtf16Le };
  struct Line {
    std::string bytes;  // as in the file, its line end included
    std::wstring text;  // decoded, without the line end
    bool ended = true;  // false for a last line without a line end
  };
  struct Section {
    size_t begin;  // the first line after the "[...]" line
    size_t end;
  };

  void Split(const std::string& body);
  bool FindSection(std::wstring_view name, Section& found) const;
  std::wstring Decode(const std::string& bytes) const;
  std::string Encode(const std::wstring& text) const;
  // A new line, with the file's line end.
  Line NewLine(const std::wstring& text) const;
  // Gives a last line without a line end the file's one, before a line follows it.
  void End(Line& line) const;

  Encoding encoding_ = Encoding::kProfileText;
  std::string byteOrderMark_;
  std::wstring lineEnd_ = L"\r\n";  // as the file's first line ends
  std::vector<Line> lines_;
};

}  // namespace qiv::platform
