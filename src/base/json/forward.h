// Forward declarations of the JSON value kinds, so that the element handle, the
// visitor and the containers can refer to each other.
#pragma once

#include <string>

namespace json {

class Object;
class Array;
class Null;
class UnknownElement;
class ConstVisitor;

template <typename ValueType>
class TrivialType_T;

using String = TrivialType_T<std::string>;
using Number = TrivialType_T<double>;
using Boolean = TrivialType_T<bool>;

}  // namespace json
