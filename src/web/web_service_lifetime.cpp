// libcurl's process-wide initialisation and the gate that every request consults.
#include <curl/curl.h>

#include "platform/win32.h"
#include "web/web_service.h"

namespace {
bool initialised = false;
int disableRequests = 0;
}  // namespace

bool CWebService::GlobalInit(int disable) {
  disableRequests = disable;
  if (initialised) return true;
  CURLcode code = curl_global_init(CURL_GLOBAL_ALL);
  if (code != CURLE_OK) {
    OutputDebugStringA("curl_global_init,failed: ");
    OutputDebugStringA(curl_easy_strerror(code));
  }
  initialised = (code == CURLE_OK);
  return initialised;
}

bool CWebService::GlobalCleanup() {
  if (initialised) {
    curl_global_cleanup();
    initialised = false;
  }
  return true;
}

bool CWebService::RequestsAllowed() { return disableRequests == 0 && initialised; }
