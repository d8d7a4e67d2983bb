// Reading the web site's answer to a goal lookup.
#pragma once

#include <string>

#include "platform/tstring.h"

// Finds the goal of `wantedOfferId` in the goal API's XML answer:
//   <data><result>success</result><goals><goal><offer_id/><goal_id/></goal>...</goals></data>
// True when a goal for the offer was found; its id (possibly empty) is then stored
// in `goalId`, which is left untouched otherwise. `body` is untrusted input: an
// answer nested deeper than the install configuration may be, or cut short, finds
// nothing.
bool ParseGoalResponse(std::string body, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId);

// The parse of ParseGoalResponse alone, of text that qiv::xml::PrepareXmlText made
// (NUL-padded: TinyXML steps over a whole UTF-8 sequence from its lead byte without
// looking for the terminator). Apart so tests can place that text at the very end
// of readable memory.
bool ParseGoalDocument(const char* preparedText, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId);
