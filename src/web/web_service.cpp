// GET and POST of a text body with the answer collected in memory.
#include "web/web_service.h"

#include <string>

#include "platform/win32.h"
#include "web/curl_handle.h"
#include "web/endpoints.h"
#include "web/proxy_options.h"
#include "web/redirect_policy.h"
#include "web/transfer_options.h"
#include "web/url_host.h"

namespace {

// Not one of libcurl's codes: stands for "nothing was attempted".
constexpr int kNotAttempted = 99;

// What libcurl reads from this side while a transfer runs: it must outlive it.
struct TransferHeld {
  std::string postBody;       // POSTFIELDS is not copied
  size_t discardedBytes = 0;  // of an answer nobody reads
};

// Sets the options of one field request; returns the first rejected option's code.
CURLcode Configure(CURL* curl, bool isPost, std::string& requestUrl,
                   const String::_tstringW& cookie, const String::_tstringW& data,
                   TransferHeld& held, ServiceResponse* response, unsigned timeoutSeconds,
                   unsigned connectTimeoutSeconds) {
  CURLcode code = CURLE_OK;
  if (isPost) {
    held.postBody = data.ToUtf8();
    if ((code = curl_easy_setopt(curl, CURLOPT_POST, 1L)) != CURLE_OK) return code;
    if ((code = curl_easy_setopt(curl, CURLOPT_POSTFIELDS, held.postBody.c_str())) != CURLE_OK) {
      return code;
    }
  } else if (!data.empty()) {
    requestUrl += UrlEncode(data.ToAnsi());  // the caller supplies any '?' or '&'
  }
  if ((code = web::SetTimeouts(curl, timeoutSeconds, connectTimeoutSeconds)) != CURLE_OK) {
    return code;
  }
  if ((code = curl_easy_setopt(curl, CURLOPT_URL, requestUrl.c_str())) != CURLE_OK) return code;
  if (response != nullptr) {
    if ((code = curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback)) != CURLE_OK) {
      return code;
    }
    if ((code = curl_easy_setopt(curl, CURLOPT_WRITEDATA, response)) != CURLE_OK) return code;
    if (response->headers != nullptr) {
      curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
      curl_easy_setopt(curl, CURLOPT_HEADERDATA, response->headers);
    }
  } else if ((code = web::DiscardBody(curl, held.discardedBytes)) != CURLE_OK) {
    return code;
  }
  if (!cookie.empty()) {
    code = curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.ToUtf8().c_str());  // copied
  }
  return code;
}

void LogFieldFailure(int code, const String::_tstringW& url) {
  String::_tstringW line(L"CWebService::FieldService, curl error: ");
  line += String::_tstringW(curl_easy_strerror(static_cast<CURLcode>(code)));
  line += L" URL=";
  line += url;
  line += L"\n";
  OutputDebugStringW(line.c_str());
}

}  // namespace

bool CWebService::FieldService(bool isPost, String::_tstringW url, String::_tstringW cookie,
                               String::_tstringW data, ServiceResponse* response,
                               unsigned timeoutSeconds, unsigned connectTimeoutSeconds) {
  return FieldTransfer(isPost, url, UrlEncode(url.ToAnsi()), cookie, data, response, timeoutSeconds,
                       connectTimeoutSeconds, web::kMaxRedirects);
}

bool CWebService::FieldTransfer(bool isPost, const String::_tstringW& url, std::string requestUrl,
                                const String::_tstringW& cookie, const String::_tstringW& data,
                                ServiceResponse* response, unsigned timeoutSeconds,
                                unsigned connectTimeoutSeconds, int redirectsLeft) {
  int code = kNotAttempted;
  bool completed = false;
  if (!url.empty()) {
    web::CurlEasy curl;
    if (curl) {
      web::SetVerification(curl.get(), !IsQaHost(url));
      TransferHeld held;
      code = Configure(curl.get(), isPost, requestUrl, cookie, data, held, response, timeoutSeconds,
                       connectTimeoutSeconds);
      if (code == CURLE_OK) {
        web::SetProxy(curl.get(), requestUrl);
        code = curl_easy_perform(curl.get());
      }
      if (code == CURLE_OK) {
        completed = true;
        std::string target;
        code = web::SiteRedirect(curl.get(), target);
        if (!target.empty() && redirectsLeft <= 0) {
          code = CURLE_TOO_MANY_REDIRECTS;  // logged; the 3xx answer stays the body
        } else if (!target.empty()) {
          // The redirect's answer replaces this one. The target is already a URL, so
          // it is requested as given rather than percent-encoded a second time.
          ServiceResponse followed;
          FieldTransfer(isPost, String::_tstringW(target), target, cookie, data, &followed,
                        timeoutSeconds, connectTimeoutSeconds, redirectsLeft - 1);
          if (response != nullptr) {
            response->toFile = followed.toFile;
            response->filePath = followed.filePath;
            response->body = std::move(followed.body);
          }
        }
      }
    }
  }
  if (code != CURLE_OK) LogFieldFailure(code, url);
  return completed;
}

bool CWebService::PostService(String::_tstringW url, String::_tstringW cookie,
                              String::_tstringW data, ServiceResponse* response,
                              unsigned timeoutSeconds, unsigned connectTimeoutSeconds) {
  if (!RequestsAllowed()) return false;
  return FieldService(true, url, cookie, data, response, timeoutSeconds, connectTimeoutSeconds);
}

bool CWebService::GetService(String::_tstringW url, String::_tstringW cookie,
                             String::_tstringW data, ServiceResponse* response,
                             unsigned timeoutSeconds, unsigned connectTimeoutSeconds) {
  if (!RequestsAllowed()) return false;
  return FieldService(false, url, cookie, data, response, timeoutSeconds, connectTimeoutSeconds);
}

bool CWebService::SimpleGetService(String::_tstringW url, String::_tstringW cookie,
                                   String::_tstringW data, ServiceResponse* response) {
  return GetService(url, cookie, data, response, kRequestTimeoutSeconds, kConnectTimeoutSeconds);
}

bool CWebService::IsQaHost(const String::_tstringW& url) {
  // Only the host counts: the path and query carry event text and attribution
  // values, which must not be able to switch certificate checks off.
  static const std::string suffixes[] = {String::_tstringW(endpoints::QaHostSuffix(0)).ToUtf8(),
                                         String::_tstringW(endpoints::QaHostSuffix(1)).ToUtf8()};
  const std::string host = web::UrlHost(UrlEncode(url.ToAnsi()));
  for (const std::string& suffix : suffixes) {
    if (!suffix.empty() && host.size() >= suffix.size() &&
        host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return true;
    }
  }
  return false;
}
