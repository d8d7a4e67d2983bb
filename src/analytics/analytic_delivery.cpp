#include "analytics/analytic_delivery.h"

#include "web/endpoints.h"
#include "web/web_service.h"

namespace analytics {

namespace {

CollectorSender g_sender = SendWithWebService;

bool IsWhitespaceByte(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
         byte == '\r';
}

}  // namespace

std::string ConvertListValue(const std::string& value) {
  std::string result = "[";
  int count = 0;
  std::string::size_type itemStart = 0;
  for (std::string::size_type bar = value.find('|'); bar != std::string::npos;
       bar = value.find('|', itemStart)) {
    result += '"';
    result.append(value, itemStart, bar - itemStart);
    result += "\",";
    itemStart = bar + 1;
    ++count;
  }
  if (count == 0) return value;
  result.back() = ']';
  return result;
}

String::_tstringW SqueezeEventText(const std::string& text) {
  // The collector has always received the event with every whitespace byte removed,
  // spaces inside values included ("en US" arrives as "enUS"); escaped tabs and line
  // breaks are two-character escapes by now and survive.
  std::string squeezed;
  squeezed.reserve(text.size());
  for (char byte : text) {
    if (!IsWhitespaceByte(byte)) squeezed += byte;
  }
  return String::_tstringW(squeezed);
}

String::_tstringW BuildCollectorUrl(const String::_tstringW& squeezed) {
  String::_tstringW format(L"https://");
  format += endpoints::CollectorHostName();
  format += L"/quarn/?data=%s";
  String::_tstringW url;
  url.Format(1, format.c_str(), squeezed.c_str());
  return url;
}

bool SendWithWebService(const String::_tstringW& url) {
  CWebService service;
  ServiceResponse response;
  // The answer is not examined: delivery is fire-and-forget.
  return service.SimpleGetService(url, String::_tstringW(), String::_tstringW(), &response);
}

CollectorSender SetCollectorSender(CollectorSender sender) {
  CollectorSender previous = g_sender;
  g_sender = sender;
  return previous;
}

bool SendToCollector(const String::_tstringW& url) { return g_sender(url); }

}  // namespace analytics
