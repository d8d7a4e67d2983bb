#include "web/transfer_options.h"

#include "platform/transfer_time.h"
#include "web/endpoints.h"
#include "web/response_limit.h"

namespace web {

namespace {

size_t Discard(char*, size_t size, size_t count, void* counted) {
  size_t& received = *static_cast<size_t*>(counted);
  const size_t bytes = size * count;
  if (!WithinResponseLimit(received, bytes)) return kRefuseTransfer;
  received += bytes;
  return bytes;
}

// Whole seconds go in as seconds; only a time-out shortened for tests needs the
// millisecond option.
CURLcode SetTimeout(CURL* curl, CURLoption secondsOption, CURLoption millisecondsOption,
                    unsigned seconds) {
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  const long milliseconds = qiv::platform::TransferTimeoutMilliseconds(seconds);
  if (milliseconds % 1000 == 0) return curl_easy_setopt(curl, secondsOption, milliseconds / 1000);
  return curl_easy_setopt(curl, millisecondsOption, milliseconds);
}

}  // namespace

void SetVerification(CURL* curl, bool verify) {
  const long value = verify ? 1L : 0L;
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, value);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, value);
  // Schannel fails a verified request whenever the certificate's revocation servers
  // cannot be reached, which firewalls and captive portals make common; a certificate
  // known to be revoked still fails. Other TLS back ends ignore the bit.
  if (verify)
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  const char* bundle = endpoints::CaBundle();
  if (bundle != nullptr && *bundle != '\0') curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
}

CURLcode SetTimeouts(CURL* curl, unsigned timeoutSeconds, unsigned connectTimeoutSeconds) {
  CURLcode code = CURLE_OK;
  if (connectTimeoutSeconds > 0) {
    code =
        SetTimeout(curl, CURLOPT_CONNECTTIMEOUT, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutSeconds);
    if (code != CURLE_OK) return code;
  }
  if (timeoutSeconds > 0) {
    code = SetTimeout(curl, CURLOPT_TIMEOUT, CURLOPT_TIMEOUT_MS, timeoutSeconds);
  }
  return code;
}

CURLcode DiscardBody(CURL* curl, size_t& received) {
  // The counter first: the function must never be handed libcurl's default data.
  const CURLcode code = curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
  if (code != CURLE_OK) return code;
  return curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
}

}  // namespace web
