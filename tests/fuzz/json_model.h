// A plain model of the JSON objects the program builds (string, null and object
// members in insertion order), and a strict reader of the writer's exact layout,
// shared by the JSON fuzz targets.
#pragma once

#include <string>
#include <vector>

namespace fuzz {

struct JsonMember {
  enum class Kind { kString, kNull, kObject };
  std::string name;
  Kind kind = Kind::kNull;
  std::string text;
  std::vector<JsonMember> members;
  bool operator==(const JsonMember&) const = default;
};
using JsonMembers = std::vector<JsonMember>;

// Reads an object written at `depth`: "{}" when empty, otherwise "{", a line feed,
// one line per member ("\t" x depth+1, name, " : ", value, "," unless last), and the
// closing brace indented to `depth`. Strings use exactly the seven two-character
// escapes, every other byte raw. False on any deviation.
class StrictJsonReader {
 public:
  explicit StrictJsonReader(const std::string& text) : text_(text) {}

  bool ReadDocument(JsonMembers& members) {
    return ReadObject(0, members) && position_ == text_.size();
  }

 private:
  bool Expect(const std::string& token) {
    if (text_.compare(position_, token.size(), token) != 0) return false;
    position_ += token.size();
    return true;
  }

  bool ReadString(std::string& out) {
    if (!Expect("\"")) return false;
    while (position_ < text_.size()) {
      const char c = text_[position_++];
      if (c == '"') return true;
      if (c == '\b' || c == '\f' || c == '\n' || c == '\r' || c == '\t') return false;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (position_ >= text_.size()) return false;
      switch (text_[position_++]) {
        case '"':
          out.push_back('"');
          break;
        case '\\':
          out.push_back('\\');
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        default:
          return false;
      }
    }
    return false;
  }

  bool ReadObject(int depth, JsonMembers& members) {
    if (!Expect("{")) return false;
    if (Expect("}")) return true;
    if (!Expect("\n")) return false;
    while (true) {
      JsonMember member;
      if (!Expect(std::string(depth + 1, '\t')) || !ReadString(member.name) || !Expect(" : ")) {
        return false;
      }
      if (Expect("null")) {
        member.kind = JsonMember::Kind::kNull;
      } else if (text_.compare(position_, 1, "{") == 0) {
        member.kind = JsonMember::Kind::kObject;
        if (!ReadObject(depth + 1, member.members)) return false;
      } else {
        member.kind = JsonMember::Kind::kString;
        if (!ReadString(member.text)) return false;
      }
      members.push_back(std::move(member));
      if (Expect(",\n")) continue;
      return Expect("\n") && Expect(std::string(depth, '\t')) && Expect("}");
    }
  }

  const std::string& text_;
  size_t position_ = 0;
};

}  // namespace fuzz
