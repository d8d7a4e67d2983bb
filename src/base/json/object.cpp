#include "base/json/object.h"

#include <utility>

#include "base/json/exception.h"

namespace json {

Object::Member::Member(std::string memberName, UnknownElement memberElement)
    : name(std::move(memberName)), element(std::move(memberElement)) {}

Object::iterator Object::FindMember(const std::string& name) {
  iterator it = members_.begin();
  while (it != members_.end() && it->name != name) ++it;
  return it;
}

Object::const_iterator Object::FindMember(const std::string& name) const {
  const_iterator it = members_.begin();
  while (it != members_.end() && it->name != name) ++it;
  return it;
}

Object::iterator Object::InsertMember(const Member& member, iterator position) {
  if (FindMember(member.name) != members_.end()) {
    throw Exception("Object member already exists: " + member.name);
  }
  return members_.insert(position, member);
}

UnknownElement& Object::operator[](const std::string& name) {
  iterator it = FindMember(name);
  if (it == members_.end()) it = InsertMember(Member(name), members_.end());
  return it->element;
}

bool Object::operator==(const Object& other) const {
  if (members_.size() != other.members_.size()) return false;
  const_iterator mine = members_.begin();
  for (const Member& theirs : other.members_) {
    if (mine->name != theirs.name || !(mine->element == theirs.element)) return false;
    ++mine;
  }
  return true;
}

}  // namespace json
