// Reading the web site's answer to a goal lookup.
#pragma once

#include <string>

#include "platform/tstring.h"

// Finds the goal of `wantedOfferId` in the goal API's XML answer:
//   <data><result>success</result><goals><goal><offer_id/><goal_id/></goal>...</goals></data>
// True when a goal for the offer was found; its id (possibly empty) is then stored
// in `goalId`, which is left untouched otherwise. `body` is untrusted input.
bool ParseGoalResponse(std::string body, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId);

// The two halves of ParseGoalResponse, apart so tests can place the parser's input
// at the very end of readable memory. TinyXML steps over a whole UTF-8 sequence
// from its lead byte without looking for the terminator, so text that ends inside
// a sequence would be read past its end: the parser only ever sees padded text.
std::string PadForXmlParser(std::string text);
bool ParseGoalDocument(const char* paddedText, const String::_tstringW& wantedOfferId,
                       String::_tstringW& goalId);
