// A JSON array. The program's own events use no arrays; the kind exists because the
// visitor and the writer cover it, and it keeps the model complete.
#pragma once

#include <cstddef>
#include <vector>

#include "base/json/unknown_element.h"

namespace json {

class Array {
 public:
  using Elements = std::vector<UnknownElement>;
  using const_iterator = Elements::const_iterator;

  const_iterator begin() const { return elements_.begin(); }
  const_iterator end() const { return elements_.end(); }

  void Append(const UnknownElement& element) { elements_.push_back(element); }
  bool IsEmpty() const { return elements_.empty(); }
  std::size_t Size() const { return elements_.size(); }
  void Clear() { elements_.clear(); }

  bool operator==(const Array& other) const { return elements_ == other.elements_; }

 private:
  Elements elements_;
};

}  // namespace json
