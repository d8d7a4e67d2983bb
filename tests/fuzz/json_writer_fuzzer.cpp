// The JSON writer with arbitrary bytes in names and values: objects are built
// through operator[] (members replaced in place, nested objects, never-assigned
// nulls) alongside a plain model, written, and read back with a strict reader of
// the writer's layout; the result must be the model.
//
// Input: a list of operations, each one byte followed by NUL-terminated texts.
#include <cstdint>
#include <sstream>
#include <string>

#include "base/json/json.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/json_model.h"

namespace {

using fuzz::JsonMember;
using fuzz::JsonMembers;
constexpr int kMaxDepth = 6;

JsonMember& Upsert(JsonMembers& members, const std::string& name) {
  for (JsonMember& member : members) {
    if (member.name == name) return member;
  }
  members.push_back(JsonMember{name, JsonMember::Kind::kNull, {}, {}});
  return members.back();
}

// Applies operations to `object` and the model until the input ends or a close.
JsonMembers Build(fuzz::Input& in, int depth, json::Object& object) {
  JsonMembers model;
  while (!in.Empty()) {
    const uint8_t op = in.Byte();
    if (op % 5 == 3) break;  // closes this object
    std::string name = in.Until('\0');
    if (op % 5 == 4 && !model.empty()) {
      name = model[name.size() % model.size()].name;  // set an existing member again
    }
    JsonMember& member = Upsert(model, name);
    if (op % 5 == 1) {
      object[name] = json::Null();
      member = JsonMember{name, JsonMember::Kind::kNull, {}, {}};
    } else if (op % 5 == 2 && depth < kMaxDepth) {
      json::Object child;
      JsonMembers members = Build(in, depth + 1, child);
      object[name] = child;
      member = JsonMember{name, JsonMember::Kind::kObject, {}, std::move(members)};
    } else if (op % 5 == 0 && in.Byte() % 2 == 0) {
      object[name];  // a lookup creates a null member, or changes nothing
    } else {
      const std::string text = in.Until('\0');
      object[name] = json::String(text);
      member = JsonMember{name, JsonMember::Kind::kString, text, {}};
    }
  }
  return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  json::Object object;
  const JsonMembers model = Build(in, 0, object);

  std::ostringstream written;
  json::Writer::WriteObject(object, written);
  const std::string text = written.str();

  JsonMembers read;
  FUZZ_CHECK(fuzz::StrictJsonReader(text).ReadDocument(read));
  FUZZ_CHECK(read == model);

  // Copies are deep and equal; writing a copy gives the same bytes.
  const json::Object copy = object;
  FUZZ_CHECK(copy == object);
  std::ostringstream again;
  json::Writer::WriteObject(copy, again);
  FUZZ_CHECK(again.str() == text);
  return 0;
}
