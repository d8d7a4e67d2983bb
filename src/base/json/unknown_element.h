// A value handle for any JSON kind. It owns one heap-allocated holder; copies clone
// the holder, so elements (and the objects holding them) are plain deep values.
#pragma once

#include <memory>
#include <type_traits>

#include "base/json/const_visitor.h"
#include "base/json/forward.h"

namespace json {

class UnknownElement {
 public:
  class Imp;
  template <typename ElementType>
  class Imp_T;
  class ConstCastVisitor;
  template <typename ElementType>
  class ConstCastVisitor_T;

  // A default element is null.
  UnknownElement();
  UnknownElement(const Object& value);
  UnknownElement(const Array& value);
  UnknownElement(const Null& value);
  UnknownElement(const String& value);
  UnknownElement(const Number& value);
  UnknownElement(const Boolean& value);
  UnknownElement(const UnknownElement& other);
  UnknownElement& operator=(const UnknownElement& other);
  ~UnknownElement();

  void Accept(ConstVisitor& visitor) const;

  // Same kind and equal value; objects compare member by member, in order.
  bool operator==(const UnknownElement& other) const;

  // The held value when it is of kind ElementType, else null.
  template <typename ElementType>
  const ElementType* As() const;

 private:
  std::unique_ptr<Imp> imp_;
};

// The abstract holder of one value.
class UnknownElement::Imp {
 public:
  virtual ~Imp() = default;
  virtual std::unique_ptr<Imp> Clone() const = 0;
  virtual bool IsEqual(const Imp& other) const = 0;
  virtual void Accept(ConstVisitor& visitor) const = 0;
};

// Visits nothing; the typed variant below records the one kind it looks for.
class UnknownElement::ConstCastVisitor : public ConstVisitor {
 public:
  void VisitNull(const Null&) override {}
  void VisitBoolean(const Boolean&) override {}
  void VisitString(const String&) override {}
  void VisitNumber(const Number&) override {}
  void VisitObject(const Object&) override {}
  void VisitArray(const Array&) override {}
};

template <typename ElementType>
class UnknownElement::ConstCastVisitor_T : public ConstCastVisitor {
 public:
  void VisitNull(const Null& value) override { Record(value); }
  void VisitBoolean(const Boolean& value) override { Record(value); }
  void VisitString(const String& value) override { Record(value); }
  void VisitNumber(const Number& value) override { Record(value); }
  void VisitObject(const Object& value) override { Record(value); }
  void VisitArray(const Array& value) override { Record(value); }

  // The visited value when it had kind ElementType, else null.
  const ElementType* Value() const { return value_; }

 private:
  template <typename Visited>
  void Record(const Visited& value) {
    if constexpr (std::is_same_v<Visited, ElementType>) value_ = &value;
  }

  const ElementType* value_ = nullptr;
};

template <typename ElementType>
const ElementType* UnknownElement::As() const {
  ConstCastVisitor_T<ElementType> visitor;
  Accept(visitor);
  return visitor.Value();
}

}  // namespace json
