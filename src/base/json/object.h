// A JSON object: members kept in insertion order, names unique and compared byte
// for byte.
#pragma once

#include <cstddef>
#include <list>
#include <string>

#include "base/json/unknown_element.h"

namespace json {

class Object {
 public:
  struct Member {
    explicit Member(std::string memberName = std::string(),
                    UnknownElement memberElement = UnknownElement());
    std::string name;
    UnknownElement element;
  };
  using Members = std::list<Member>;
  using iterator = Members::iterator;
  using const_iterator = Members::const_iterator;

  iterator begin() { return members_.begin(); }
  iterator end() { return members_.end(); }
  const_iterator begin() const { return members_.begin(); }
  const_iterator end() const { return members_.end(); }

  // The first member called `name`, or end().
  iterator FindMember(const std::string& name);
  const_iterator FindMember(const std::string& name) const;

  // Inserts a copy of `member` before `position`. Throws json::Exception when the
  // name is taken.
  iterator InsertMember(const Member& member, iterator position);

  // The element of member `name`, appended as null when missing. Assigning to it
  // replaces the value and keeps the member where it is.
  UnknownElement& operator[](const std::string& name);

  bool IsEmpty() const { return members_.empty(); }
  std::size_t Size() const { return members_.size(); }
  void Clear() { members_.clear(); }

  bool operator==(const Object& other) const;

 private:
  Members members_;
};

}  // namespace json
