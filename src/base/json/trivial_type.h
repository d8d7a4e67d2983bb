// A JSON value held directly by value: strings (narrow bytes, never re-encoded),
// numbers and booleans.
#pragma once

#include "base/json/forward.h"

namespace json {

template <typename ValueType>
class TrivialType_T {
 public:
  TrivialType_T() : value_() {}
  // Explicit, so that a bare double or bool never picks a kind by accident.
  explicit TrivialType_T(const ValueType& value) : value_(value) {}

  const ValueType& Value() const { return value_; }
  ValueType& Value() { return value_; }

  bool operator==(const TrivialType_T& other) const { return value_ == other.value_; }

 private:
  ValueType value_;
};

}  // namespace json
