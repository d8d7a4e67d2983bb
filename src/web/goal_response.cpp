#include "web/goal_response.h"

#include <tinyxml.h>

#include <utility>

namespace {

// Room for the longest sequence TinyXML may step over, twice over.
constexpr size_t kParserPadding = 8;

String::_tstringW ElementText(const TiXmlElement* element) {
  String::_tstringW text;
  const char* raw = element->GetText();
  if (raw != nullptr) text.AssignUtf8(raw);
  return text;
}

bool FindGoal(const TiXmlDocument& document, const String::_tstringW& wantedOfferId,
              String::_tstringW& goalId) {
  const TiXmlElement* data = document.FirstChildElement("data");
  if (data == nullptr) return false;
  const TiXmlElement* result = data->FirstChildElement("result");
  if (result == nullptr) return false;
  if (ElementText(result).CompareNoCase(String::_tstringW(L"success")) != 0) return false;
  const TiXmlElement* goals = data->FirstChildElement("goals");
  if (goals == nullptr) return false;

  for (const TiXmlElement* goal = goals->FirstChildElement("goal"); goal != nullptr;
       goal = goal->NextSiblingElement("goal")) {
    const TiXmlElement* offer = goal->FirstChildElement("offer_id");
    const TiXmlElement* id = goal->FirstChildElement("goal_id");
    if (offer == nullptr || id == nullptr) continue;
    if (ElementText(offer).CompareNoCase(wantedOfferId) == 0) {
      goalId = ElementText(id);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string PadForXmlParser(std::string text) {
  text.append(kParserPadding, '\0');
  return text;
}

bool ParseGoalDocument(const char* paddedText, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId) {
  TiXmlDocument document;
  document.Parse(paddedText, nullptr, TIXML_ENCODING_UNKNOWN);
  return FindGoal(document, wantedOfferId, goalId);
}

bool ParseGoalResponse(std::string body, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId) {
  const std::string padded = PadForXmlParser(std::move(body));
  return ParseGoalDocument(padded.c_str(), wantedOfferId, goalId);
}
