#include "web/goal_response.h"

#include <tinyxml.h>

#include "base/xml/xml_text.h"

namespace {

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

bool ParseGoalDocument(const char* preparedText, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId) {
  TiXmlDocument document;
  document.Parse(preparedText, nullptr, TIXML_ENCODING_UNKNOWN);
  // TinyXML keeps what it read before an error: the goal list of an answer cut
  // short could still be walked, and a goal id cut in half be reported.
  if (document.Error()) return false;
  return FindGoal(document, wantedOfferId, goalId);
}

bool ParseGoalResponse(std::string body, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId) {
  // The install configuration's limits: the parser recurses once per nested element.
  std::string text;
  if (!qiv::xml::PrepareXmlText(body, text)) return false;
  return ParseGoalDocument(text.c_str(), wantedOfferId, goalId);
}
