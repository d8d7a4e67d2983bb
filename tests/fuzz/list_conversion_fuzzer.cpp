// The list conversion of SetAnalyticParam: the pending member that the next event
// carries holds "[", each '|'-terminated item in double quotes, commas between,
// and "]"; text after the last '|' is dropped; a value without '|' is kept as it
// is. The event is read back through the JSON visitor, not the converter.
#include <cstdint>
#include <string>
#include <vector>

#include "analytics/analytic.h"
#include "analytics/analytic_entry.h"
#include "base/json/json.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string ReferenceList(const std::string& value) {
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t bar = value.find('|'); bar != std::string::npos; bar = value.find('|', start)) {
    items.push_back(value.substr(start, bar - start));
    start = bar + 1;
  }
  if (items.empty()) return value;
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ",\"" : "\"") + items[i] + "\"";
  return out + "]";
}

class StringOf : public json::ConstVisitor {
 public:
  void VisitString(const json::String& value) override { text = value.Value(), found = true; }
  void VisitNull(const json::Null&) override {}
  void VisitBoolean(const json::Boolean&) override {}
  void VisitNumber(const json::Number&) override {}
  void VisitObject(const json::Object&) override {}
  void VisitArray(const json::Array&) override {}
  std::string text;
  bool found = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const bool asList = in.Byte() % 4 != 0;
  const std::string value = in.Rest();

  FUZZ_CHECK(SetAnalyticParam("game_list", value, asList));
  json::Object event = CAnalytic::Instance().BuildEvent("qiv_uninstall_start", "xnb", "", "", true);
  const auto member = event.FindMember("game_list");
  FUZZ_CHECK(member != event.end());
  StringOf visitor;
  member->element.Accept(visitor);
  FUZZ_CHECK(visitor.found);
  FUZZ_CHECK(visitor.text == (asList ? ReferenceList(value) : value));

  // The member was consumed by the event.
  json::Object next = CAnalytic::Instance().BuildEvent("qiv_uninstall_start", "xnb", "", "", true);
  FUZZ_CHECK(next.FindMember("game_list") == next.end());
  return 0;
}
