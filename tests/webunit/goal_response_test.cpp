#include "web/goal_response.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "base/xml/xml_text.h"

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

std::string Goal(const std::string& offer, const std::string& goal) {
  return "<goal><offer_id>" + offer + "</offer_id><goal_id>" + goal + "</goal_id></goal>";
}

std::string Answer(const std::string& result, const std::string& goals) {
  return std::string(kDeclaration) + "<data><result>" + result + "</result><goals>" + goals +
         "</goals></data>";
}

// An answer with the goal of offer 12, and `depth` elements nested after it: with
// the answer's own six, the install configuration's element limit is reached at 3994.
std::string Nested(size_t depth) {
  std::string nest;
  for (size_t i = 0; i < depth; ++i) nest += "<x>";
  for (size_t i = 0; i < depth; ++i) nest += "</x>";
  return Answer("success", Goal("12", "77") + nest);
}

std::string CutBefore(const std::string& text, const std::string& marker) {
  return text.substr(0, text.find(marker));
}

struct GoalCase {
  const char* name;
  std::string body;
  const wchar_t* wantedOffer;
  bool found;
  const wchar_t* goalId;  // what the id holds afterwards; it starts as "untouched"
};

void PrintTo(const GoalCase& c, std::ostream* os) { *os << c.name; }

class GoalResponseTest : public testing::TestWithParam<GoalCase> {};

TEST_P(GoalResponseTest, FindsTheGoalOfTheOffer) {
  const GoalCase& c = GetParam();
  String::_tstringW goalId(L"untouched");
  EXPECT_EQ(ParseGoalResponse(c.body, String::_tstringW(c.wantedOffer), goalId), c.found);
  EXPECT_EQ(goalId, std::wstring(c.goalId));
}

const GoalCase kGoalCases[] = {
    {"Success", Answer("success", Goal("12", "77")), L"12", true, L"77"},
    {"ResultAnyCase", Answer("SUCCESS", Goal("12", "77")), L"12", true, L"77"},
    {"NoDeclaration",
     "<data><result>success</result><goals>" + Goal("12", "77") + "</goals></data>", L"12", true,
     L"77"},
    {"OfferAnyCase", Answer("success", Goal("Abc", "5")), L"aBC", true, L"5"},
    {"FirstOfTwoForTheOffer", Answer("success", Goal("12", "1") + Goal("12", "2")), L"12", true,
     L"1"},
    {"OtherOffersSkipped", Answer("success", Goal("11", "1") + Goal("12", "2")), L"12", true, L"2"},
    {"GoalWithoutGoalIdSkipped",
     Answer("success", "<goal><offer_id>12</offer_id></goal>" + Goal("12", "9")), L"12", true,
     L"9"},
    {"GoalWithoutOfferIdSkipped",
     Answer("success", "<goal><goal_id>3</goal_id></goal>" + Goal("12", "9")), L"12", true, L"9"},
    {"OtherElementsBetweenGoals", Answer("success", Goal("11", "1") + "<note/>" + Goal("12", "2")),
     L"12", true, L"2"},
    {"EmptyGoalId", Answer("success", Goal("12", "")), L"12", true, L""},
    {"Utf8GoalId", Answer("success", Goal("12", "g\xC3\xA9")), L"12", true, L"g\u00E9"},
    {"NoGoalForTheOffer", Answer("success", Goal("11", "1")), L"12", false, L"untouched"},
    {"NoGoals", Answer("success", ""), L"12", false, L"untouched"},
    {"ResultNotSuccess", Answer("failure", Goal("12", "77")), L"12", false, L"untouched"},
    {"ResultEmpty", Answer("", Goal("12", "77")), L"12", false, L"untouched"},
    {"ResultMissing", "<data><goals>" + Goal("12", "77") + "</goals></data>", L"12", false,
     L"untouched"},
    {"GoalsMissing", "<data><result>success</result>" + Goal("12", "77") + "</data>", L"12", false,
     L"untouched"},
    {"DataNotTopLevel",
     "<reply><data><result>success</result><goals>" + Goal("12", "77") + "</goals></data></reply>",
     L"12", false, L"untouched"},
    {"EmptyBody", "", L"12", false, L"untouched"},
    {"NotXml", "success=true;", L"12", false, L"untouched"},
    {"HtmlErrorPage", "<html><body><h1>502 Bad Gateway</h1></body></html>", L"12", false,
     L"untouched"},
    {"CutShort", Answer("success", Goal("12", "77")).substr(0, 60), L"12", false, L"untouched"},
    {"CutInsideTheGoalId", CutBefore(Answer("success", Goal("12", "7788")), "88"), L"12", false,
     L"untouched"},
    {"CutAfterTheGoal", CutBefore(Answer("success", Goal("12", "77")), "</goals>"), L"12", false,
     L"untouched"},
    {"NestingAtTheLimit", Nested(qiv::xml::kMaxElementTags - 6), L"12", true, L"77"},
    {"NestingPastTheLimit", Nested(qiv::xml::kMaxElementTags - 5), L"12", false, L"untouched"},
};

INSTANTIATE_TEST_SUITE_P(Answers, GoalResponseTest, testing::ValuesIn(kGoalCases),
                         [](const testing::TestParamInfo<GoalCase>& info) {
                           return std::string(info.param.name);
                         });

// Bodies that end inside a UTF-8 sequence: TinyXML would step past their end.
const std::vector<std::string> kTruncatedSequences = {
    std::string(kDeclaration) + "<a>\xE4",
    std::string(kDeclaration) + "<a>\xC3",
    std::string(kDeclaration) + "<a \xF0",
    std::string(kDeclaration) + "\xE4",
    std::string(kDeclaration) + "<!--\xE4",
    std::string(kDeclaration) + "<data><result>\xF4",
    std::string(kDeclaration) + "<data><result>success</result><goals><goal><offer_id>\xEF",
    "\xEF\xBB\xBF<data>\xE4",
};

TEST(GoalResponseOverRead, TruncatedSequencesFindNothing) {
  for (const std::string& body : kTruncatedSequences) {
    String::_tstringW goalId(L"untouched");
    EXPECT_FALSE(ParseGoalResponse(body, String::_tstringW(L"12"), goalId));
    EXPECT_EQ(goalId, std::wstring(L"untouched"));
  }
}

#ifndef _WIN32
// Puts the parser's input flush against an unreadable page, so reading one byte
// past the padding ends the test with a fault instead of going unnoticed (the
// system's TinyXML is not instrumented by the sanitizers).
class GuardedText {
 public:
  GuardedText() {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* memory =
        mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    memory_ = memory == MAP_FAILED ? nullptr : static_cast<char*>(memory);
    if (memory_ != nullptr) mprotect(memory_ + page_, page_, PROT_NONE);
  }
  ~GuardedText() {
    if (memory_ != nullptr) munmap(memory_, 2 * page_);
  }
  GuardedText(const GuardedText&) = delete;
  GuardedText& operator=(const GuardedText&) = delete;

  // Copies `text` and its terminator so that the terminator is the page's last byte.
  const char* Place(const std::string& text) {
    if (memory_ == nullptr || text.size() + 1 > page_) return nullptr;
    char* start = memory_ + page_ - (text.size() + 1);
    std::memcpy(start, text.c_str(), text.size() + 1);
    return start;
  }

 private:
  size_t page_ = 0;
  char* memory_ = nullptr;
};

std::string Prepared(const std::string& body) {
  std::string text;
  EXPECT_TRUE(qiv::xml::PrepareXmlText(body, text));
  return text;
}

TEST(GoalResponseOverRead, ParserStaysWithinThePaddedText) {
  GuardedText guarded;
  for (const std::string& body : kTruncatedSequences) {
    const char* text = guarded.Place(Prepared(body));
    ASSERT_NE(text, nullptr);
    String::_tstringW goalId;
    EXPECT_FALSE(ParseGoalDocument(text, String::_tstringW(L"12"), goalId));
  }
  const char* text = guarded.Place(Prepared(Answer("success", Goal("12", "77"))));
  ASSERT_NE(text, nullptr);
  String::_tstringW goalId;
  EXPECT_TRUE(ParseGoalDocument(text, String::_tstringW(L"12"), goalId));
  EXPECT_EQ(goalId, std::wstring(L"77"));
}
#endif

}  // namespace
