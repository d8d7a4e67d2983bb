#include "web/transfer_options.h"

#include "web/endpoints.h"

namespace web {

namespace {
size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }
}  // namespace

void SetVerification(CURL* curl, bool verify) {
  const long value = verify ? 1L : 0L;
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, value);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, value);
  const char* bundle = endpoints::CaBundle();
  if (bundle != nullptr && *bundle != '\0') curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
}

CURLcode SetTimeouts(CURL* curl, unsigned timeoutSeconds, unsigned connectTimeoutSeconds) {
  CURLcode code = CURLE_OK;
  if (connectTimeoutSeconds > 0) {
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    code = curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeoutSeconds));
    if (code != CURLE_OK) return code;
  }
  if (timeoutSeconds > 0) {
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    code = curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds));
  }
  return code;
}

void DiscardBody(CURL* curl) { curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard); }

}  // namespace web
