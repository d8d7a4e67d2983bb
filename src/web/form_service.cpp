// Multipart form POST. Unlike the field requests it always verifies certificates.
#include <string>

#include "platform/win32.h"
#include "web/curl_handle.h"
#include "web/proxy_options.h"
#include "web/redirect_policy.h"
#include "web/transfer_options.h"
#include "web/web_service.h"

namespace {

// One part per field in the map's name order; libcurl copies names and values.
// A part libcurl refuses is left out; the rest of the form still goes.
void AddParts(web::CurlForm& form, const FormFields& fields) {
  for (const auto& [name, field] : fields) {
    const std::string nameText = name.ToUtf8();
    const std::string valueText = field.value.ToUtf8();
    curl_formadd(form.first(), form.last(), CURLFORM_COPYNAME, nameText.c_str(), field.kind,
                 valueText.c_str(), CURLFORM_END);
  }
}

void LogFormFailure(CURLcode code) {
  String::_tstringW line(L"CWebService::PostFormService, curl error: ");
  line += String::_tstringW(curl_easy_strerror(code));
  line += L"\n";
  OutputDebugStringW(line.c_str());
}

}  // namespace

bool CWebService::PostFormService(String::_tstringW url, String::_tstringW cookie,
                                  const FormFields* fields, unsigned timeoutSeconds,
                                  unsigned connectTimeoutSeconds) {
  if (!RequestsAllowed()) return false;
  return FormTransfer(url.ToUtf8(), cookie, fields, timeoutSeconds, connectTimeoutSeconds,
                      web::kMaxRedirects);
}

bool CWebService::FormTransfer(const std::string& url, const String::_tstringW& cookie,
                               const FormFields* fields, unsigned timeoutSeconds,
                               unsigned connectTimeoutSeconds, int redirectsLeft) {
  if (url.empty() || fields == nullptr || fields->empty()) return false;
  web::CurlEasy curl;
  if (!curl) return false;
  web::CurlForm form;
  AddParts(form, *fields);
  web::SetVerification(curl.get(), true);
  size_t discardedBytes = 0;  // the caller has no use for the answer
  if (web::DiscardBody(curl.get(), discardedBytes) != CURLE_OK ||
      web::SetTimeouts(curl.get(), timeoutSeconds, connectTimeoutSeconds) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str()) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_HTTPPOST, form.get()) != CURLE_OK) {
    return false;
  }
  if (!cookie.empty() &&
      curl_easy_setopt(curl.get(), CURLOPT_COOKIE, cookie.ToUtf8().c_str()) != CURLE_OK) {
    return false;
  }
  web::SetProxy(curl.get(), url);
  const CURLcode code = curl_easy_perform(curl.get());
  if (code != CURLE_OK) {
    LogFormFailure(code);
    return false;
  }
  std::string target;
  web::SiteRedirect(curl.get(), target);  // a failed read only means no redirect
  if (!target.empty() && redirectsLeft <= 0) {
    LogFormFailure(CURLE_TOO_MANY_REDIRECTS);
  } else if (!target.empty()) {
    FormTransfer(target, cookie, fields, timeoutSeconds, connectTimeoutSeconds, redirectsLeft - 1);
  }
  return true;
}
