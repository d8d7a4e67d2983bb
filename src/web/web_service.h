// Blocking HTTP requests over libcurl, and the process-wide library lifetime that
// every request depends on.
#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>

#include "platform/tstring.h"

// The time-outs of every request the commands send: the whole transfer, and the
// connection alone.
inline constexpr unsigned kRequestTimeoutSeconds = 120;
inline constexpr unsigned kConnectTimeoutSeconds = 60;

// The response record a caller hands to a request. The body is appended to while
// the transfer runs, up to web::kMaxResponseBytes; past that the transfer fails and
// the body is emptied.
struct ServiceResponse {
  int toFile = 0;
  std::string body;
  String::_tstringW filePath;
  FILE* file = nullptr;
  std::string* headers = nullptr;

  ServiceResponse() = default;
  ~ServiceResponse();
  ServiceResponse(const ServiceResponse&) = delete;
  ServiceResponse& operator=(const ServiceResponse&) = delete;
  void Reset();
};

struct FormField {
  int kind = 4;  // CURLFORM_COPYCONTENTS
  String::_tstringW value;
};

// Form parts go out in ascending name order.
typedef std::map<String::_tstringW, FormField> FormFields;

class CWebService {
 public:
  CWebService() = default;
  virtual ~CWebService() = default;

  // Library lifetime; requests are refused unless initialised and enabled.
  static bool GlobalInit(int disableRequests);
  static bool GlobalCleanup();
  static bool RequestsAllowed();

  bool FieldService(bool isPost, String::_tstringW url, String::_tstringW cookie,
                    String::_tstringW data, ServiceResponse* response, unsigned timeoutSeconds,
                    unsigned connectTimeoutSeconds);
  bool PostService(String::_tstringW url, String::_tstringW cookie, String::_tstringW data,
                   ServiceResponse* response, unsigned timeoutSeconds,
                   unsigned connectTimeoutSeconds);
  bool GetService(String::_tstringW url, String::_tstringW cookie, String::_tstringW data,
                  ServiceResponse* response, unsigned timeoutSeconds,
                  unsigned connectTimeoutSeconds);
  bool SimpleGetService(String::_tstringW url, String::_tstringW cookie, String::_tstringW data,
                        ServiceResponse* response);
  bool PostFormService(String::_tstringW url, String::_tstringW cookie, const FormFields* fields,
                       unsigned timeoutSeconds, unsigned connectTimeoutSeconds);

  static bool IsQaHost(const String::_tstringW& url);

 private:
  // One request and the redirects it follows. `url` is as the caller gave it (for
  // the QA check and the log); `requestUrl` is what goes on the wire.
  bool FieldTransfer(bool isPost, const String::_tstringW& url, std::string requestUrl,
                     const String::_tstringW& cookie, const String::_tstringW& data,
                     ServiceResponse* response, unsigned timeoutSeconds,
                     unsigned connectTimeoutSeconds, int redirectsLeft);
  bool FormTransfer(const std::string& url, const String::_tstringW& cookie,
                    const FormFields* fields, unsigned timeoutSeconds,
                    unsigned connectTimeoutSeconds, int redirectsLeft);
};

std::string UrlEncode(const std::string& text);
// libcurl's write and header functions: the count taken, or web::kRefuseTransfer
// past the response limit, on a failed write or a failed allocation.
size_t WriteCallback(void* data, size_t size, size_t count, ServiceResponse* response);
size_t HeaderCallback(void* data, size_t size, size_t count, std::string* headers);
