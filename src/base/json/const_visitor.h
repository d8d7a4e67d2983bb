// Read-only visitor over the six JSON value kinds.
#pragma once

#include "base/json/forward.h"

namespace json {

class ConstVisitor {
 public:
  virtual ~ConstVisitor() = default;
  virtual void VisitNull(const Null& value) = 0;
  virtual void VisitBoolean(const Boolean& value) = 0;
  virtual void VisitString(const String& value) = 0;
  virtual void VisitNumber(const Number& value) = 0;
  virtual void VisitObject(const Object& value) = 0;
  virtual void VisitArray(const Array& value) = 0;
};

}  // namespace json
