// How long the program lets a transfer take. Windows: exactly the program's own
// values. The POSIX stand-in lets end-to-end tests shorten them with
// QIV_HTTP_TIMEOUT_SCALE (a non-negative decimal factor, like QIV_SLEEP_SCALE), so
// that a service that never answers costs a test a second, not two minutes.
#pragma once

namespace qiv::platform {

// The time-out of `seconds` in milliseconds; at least 1 for a nonzero value.
long TransferTimeoutMilliseconds(unsigned seconds);

}  // namespace qiv::platform
