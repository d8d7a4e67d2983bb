// Writes a JSON object as indented text: one tab per level, " : " between name and
// value, line feeds only, no line end after the closing brace. The bytes are what
// the analytics collector is sent (after whitespace is squeezed), so they must not
// drift.
#pragma once

#include <ostream>

#include "base/json/const_visitor.h"

namespace json {

class Writer : public ConstVisitor {
 public:
  static void WriteObject(const Object& object, std::ostream& stream);

  void VisitNull(const Null& value) override;
  void VisitBoolean(const Boolean& value) override;
  void VisitString(const String& value) override;
  void VisitNumber(const Number& value) override;
  void VisitObject(const Object& value) override;
  void VisitArray(const Array& value) override;

 private:
  explicit Writer(std::ostream& stream) : stream_(stream), depth_(0) {}
  void WriteIndent();

  std::ostream& stream_;
  int depth_;
};

}  // namespace json
