// ParseGoalResponse with fuzzed answers. Two kinds of input, chosen by the first
// byte: raw bytes as the body (with a fuzzed wanted offer), where the goal id must
// stay untouched unless a goal is found; and answers assembled from fuzzed parts
// (result text, goals with or without their ids), where the found goal must be
// the first one whose offer matches, ignoring ASCII case.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "web/goal_response.h"

namespace {

const wchar_t kUntouched[] = L"untouched";

std::wstring AsciiLower(std::wstring text) {
  for (wchar_t& unit : text) {
    if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit + 0x20);
  }
  return text;
}

// Letters and digits only, so that XML spacing and escaping play no part.
std::string Token(fuzz::Input& in) {
  static const char kAlphabet[] = "abcXYZ019";
  std::string token;
  for (int length = in.Byte() % 4; length > 0; --length) token += kAlphabet[in.Byte() % 9];
  return token;
}

void CheckAssembled(fuzz::Input& in) {
  static const char* const kResults[] = {"success", "SUCCESS", "Success", "fail", "", "successx"};
  const std::string result = kResults[in.Byte() % 6];
  const std::string wanted = Token(in);
  std::string body =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><data><result>" + result + "</result><goals>";
  std::optional<std::string> expected;
  for (int goals = in.Byte() % 5; goals > 0; --goals) {
    const uint8_t shape = in.Byte();
    const std::string offer = Token(in);
    const std::string id = Token(in);
    body += shape % 5 == 4 ? "<other>" : "<goal>";
    if (shape % 5 != 1) body += "<offer_id>" + offer + "</offer_id>";
    if (shape % 5 != 2) body += "<goal_id>" + id + "</goal_id>";
    body += shape % 5 == 4 ? "</other>" : "</goal>";
    const bool complete = shape % 5 == 0 || shape % 5 == 3;
    if (!expected && complete &&
        AsciiLower(String::_tstringW(offer.c_str())) ==
            AsciiLower(String::_tstringW(wanted.c_str()))) {
      expected = id;
    }
  }
  body += "</goals></data>";
  if (AsciiLower(String::_tstringW(result.c_str())) != L"success") expected.reset();

  String::_tstringW goalId(kUntouched);
  const bool found = ParseGoalResponse(body, String::_tstringW(wanted.c_str()), goalId);
  FUZZ_CHECK(found == expected.has_value());
  FUZZ_CHECK(goalId == (expected ? String::_tstringW(expected->c_str()) : kUntouched));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  if (in.Byte() % 2 == 0) {
    CheckAssembled(in);
    return 0;
  }
  String::_tstringW wanted;
  wanted.AssignUtf8(in.Until('\n').c_str());
  const std::string body = in.Rest();
  String::_tstringW goalId(kUntouched);
  const bool found = ParseGoalResponse(body, wanted, goalId);
  if (!found) FUZZ_CHECK(goalId == kUntouched);
  // The same answer gives the same result.
  String::_tstringW again(kUntouched);
  FUZZ_CHECK(ParseGoalResponse(body, wanted, again) == found && again == goalId);
  return 0;
}
