#include "base/json/unknown_element.h"

#include "base/json/array.h"
#include "base/json/null.h"
#include "base/json/object.h"
#include "base/json/trivial_type.h"

namespace json {

namespace {

void VisitValue(ConstVisitor& visitor, const Null& value) { visitor.VisitNull(value); }
void VisitValue(ConstVisitor& visitor, const Boolean& value) { visitor.VisitBoolean(value); }
void VisitValue(ConstVisitor& visitor, const String& value) { visitor.VisitString(value); }
void VisitValue(ConstVisitor& visitor, const Number& value) { visitor.VisitNumber(value); }
void VisitValue(ConstVisitor& visitor, const Object& value) { visitor.VisitObject(value); }
void VisitValue(ConstVisitor& visitor, const Array& value) { visitor.VisitArray(value); }

}  // namespace

// The holder for one kind, storing its value by value.
template <typename ElementType>
class UnknownElement::Imp_T : public UnknownElement::Imp {
 public:
  explicit Imp_T(const ElementType& value) : value_(value) {}

  std::unique_ptr<Imp> Clone() const override { return std::make_unique<Imp_T>(value_); }

  bool IsEqual(const Imp& other) const override {
    ConstCastVisitor_T<ElementType> sameKind;
    other.Accept(sameKind);
    return sameKind.Value() != nullptr && *sameKind.Value() == value_;
  }

  void Accept(ConstVisitor& visitor) const override { VisitValue(visitor, value_); }

 private:
  ElementType value_;
};

UnknownElement::UnknownElement() : imp_(std::make_unique<Imp_T<Null>>(Null())) {}
UnknownElement::UnknownElement(const Object& value)
    : imp_(std::make_unique<Imp_T<Object>>(value)) {}
UnknownElement::UnknownElement(const Array& value) : imp_(std::make_unique<Imp_T<Array>>(value)) {}
UnknownElement::UnknownElement(const Null& value) : imp_(std::make_unique<Imp_T<Null>>(value)) {}
UnknownElement::UnknownElement(const String& value)
    : imp_(std::make_unique<Imp_T<String>>(value)) {}
UnknownElement::UnknownElement(const Number& value)
    : imp_(std::make_unique<Imp_T<Number>>(value)) {}
UnknownElement::UnknownElement(const Boolean& value)
    : imp_(std::make_unique<Imp_T<Boolean>>(value)) {}
UnknownElement::UnknownElement(const UnknownElement& other) : imp_(other.imp_->Clone()) {}

UnknownElement& UnknownElement::operator=(const UnknownElement& other) {
  // The clone is made before the old holder goes, so an element may take a copy of
  // a value nested inside itself.
  if (this != &other) imp_ = other.imp_->Clone();
  return *this;
}

UnknownElement::~UnknownElement() = default;

void UnknownElement::Accept(ConstVisitor& visitor) const { imp_->Accept(visitor); }

bool UnknownElement::operator==(const UnknownElement& other) const {
  return imp_->IsEqual(*other.imp_);
}

}  // namespace json
