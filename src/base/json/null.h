// The JSON null value; all nulls are equal.
#pragma once

namespace json {

class Null {
 public:
  bool operator==(const Null&) const { return true; }
};

}  // namespace json
