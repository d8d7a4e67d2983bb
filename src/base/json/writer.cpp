#include "base/json/writer.h"

#include <string>

#include "base/json/array.h"
#include "base/json/null.h"
#include "base/json/object.h"
#include "base/json/trivial_type.h"

namespace json {

void Writer::WriteObject(const Object& object, std::ostream& stream) {
  Writer writer(stream);
  writer.VisitObject(object);
  stream.flush();
}

void Writer::WriteIndent() { stream_ << std::string(static_cast<size_t>(depth_), '\t'); }

void Writer::VisitNull(const Null&) { stream_ << "null"; }

void Writer::VisitBoolean(const Boolean& value) { stream_ << (value.Value() ? "true" : "false"); }

void Writer::VisitNumber(const Number& value) {
  stream_.precision(20);
  stream_ << value.Value();
}

void Writer::VisitString(const String& value) {
  // Only these bytes are escaped; everything else, other control bytes and
  // non-ASCII bytes included, passes through untouched.
  stream_ << '"';
  for (char byte : value.Value()) {
    switch (byte) {
      case '"':
        stream_ << "\\\"";
        break;
      case '\\':
        stream_ << "\\\\";
        break;
      case '\b':
        stream_ << "\\b";
        break;
      case '\f':
        stream_ << "\\f";
        break;
      case '\n':
        stream_ << "\\n";
        break;
      case '\r':
        stream_ << "\\r";
        break;
      case '\t':
        stream_ << "\\t";
        break;
      default:
        stream_ << byte;
        break;
    }
  }
  stream_ << '"';
}

void Writer::VisitObject(const Object& value) {
  if (value.IsEmpty()) {
    stream_ << "{}";
    return;
  }
  stream_ << '{' << std::endl;
  ++depth_;
  for (auto member = value.begin(); member != value.end();) {
    WriteIndent();
    VisitString(String(member->name));
    stream_ << " : ";
    member->element.Accept(*this);
    if (++member != value.end()) stream_ << ',';
    stream_ << std::endl;
  }
  --depth_;
  WriteIndent();
  stream_ << '}';
}

void Writer::VisitArray(const Array& value) {
  if (value.IsEmpty()) {
    stream_ << "[]";
    return;
  }
  stream_ << '[' << std::endl;
  ++depth_;
  for (auto element = value.begin(); element != value.end();) {
    WriteIndent();
    element->Accept(*this);
    if (++element != value.end()) stream_ << ',';
    stream_ << std::endl;
  }
  --depth_;
  WriteIndent();
  stream_ << ']';
}

}  // namespace json
