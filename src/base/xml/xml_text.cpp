#include "base/xml/xml_text.h"

namespace qiv::xml {

namespace {

// What TinyXML takes for the start of an element: '<' and then a letter, '_' or
// any byte above ASCII.
bool StartsElementName(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte == '_' ||
         byte >= 0x7F;
}

}  // namespace

bool PrepareXmlText(const std::string& bytes, std::string& text) {
  text.clear();
  text.reserve(bytes.size() + kTerminatorPadding);
  size_t elementTags = 0;
  for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
    const char byte = bytes[i];
    if (byte == '\r') {
      text.push_back('\n');
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      continue;
    }
    // Counted wherever it stands (comments and attribute values included), so
    // the count never falls below the nesting depth the parser can reach.
    if (byte == '<' && i + 1 < bytes.size() &&
        StartsElementName(static_cast<unsigned char>(bytes[i + 1])) &&
        ++elementTags > kMaxElementTags) {
      text.clear();
      return false;
    }
    text.push_back(byte);
  }
  text.append(kTerminatorPadding, '\0');
  return true;
}

bool HasUtf8ByteOrderMark(const std::string& bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
         static_cast<unsigned char>(bytes[1]) == 0xBB &&
         static_cast<unsigned char>(bytes[2]) == 0xBF;
}

}  // namespace qiv::xml
