// The steps between a built event and the collector: list values, squeezing the
// written JSON, the collector URL, and the one send per event.
#pragma once

#include <string>

#include "platform/tstring.h"

namespace analytics {

// ab|cd| becomes the text ["ab","cd"]; text after the last '|' is dropped, and a
// value without any '|' is returned unchanged. Items are copied without escaping:
// the result travels as a JSON string, where the writer escapes its quotes.
std::string ConvertListValue(const std::string& value);

// Drops every whitespace byte (space, tab, LF, VT, FF, CR) from the written event,
// including any inside string values, and widens the rest from the ANSI code page.
String::_tstringW SqueezeEventText(const std::string& text);

// https://<collector host>/quarn/?data=<squeezed>, not yet percent-encoded: the
// GET request encodes the whole URL.
String::_tstringW BuildCollectorUrl(const String::_tstringW& squeezed);

// Sends the finished URL; true when the transfer completed.
using CollectorSender = bool (*)(const String::_tstringW& url);

// The default sender: one GET through a CWebService made for this request.
bool SendWithWebService(const String::_tstringW& url);

// Replaces the sender (tests watch the URL without a network) and returns the one
// it replaced.
CollectorSender SetCollectorSender(CollectorSender sender);
bool SendToCollector(const String::_tstringW& url);

}  // namespace analytics
