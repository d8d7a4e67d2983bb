// Options every request sets the same way.
#pragma once

#include "web/curl_handle.h"

namespace web {

// Certificate checks on or off (revocation checked where it can be), and the
// build's trust store when it names one.
// These results are not looked at: a failure leaves libcurl's safe defaults.
void SetVerification(CURL* curl, bool verify);

// A value of 0 sets nothing. libcurl must not use signals for time-outs in this
// process, so NOSIGNAL comes with each. Returns the first rejected option's code.
CURLcode SetTimeouts(CURL* curl, unsigned timeoutSeconds, unsigned connectTimeoutSeconds);

// Drops the answer's body, counting it in `received` (which must outlive the
// transfer) so that an endless one still ends it past the response limit. Without
// a write function libcurl writes it to standard output, which a program without a
// console may not have: the write would fail and turn a delivered request into a
// reported failure. Returns the first rejected option's code.
CURLcode DiscardBody(CURL* curl, size_t& received);

}  // namespace web
