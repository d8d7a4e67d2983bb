#include "platform/transfer_time.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qiv::platform {

namespace {

// An unset or unreadable setting means the program's own values.
double TimeoutScale() {
  const char* text = std::getenv("QIV_HTTP_TIMEOUT_SCALE");
  if (text == nullptr) return 1.0;
  double scale = 1.0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, scale, std::chars_format::fixed);
  if (error != std::errc() || stop != end || !std::isfinite(scale) || scale <= 0 || scale > 1) {
    return 1.0;
  }
  return scale;
}

}  // namespace

long TransferTimeoutMilliseconds(unsigned seconds) {
  if (seconds == 0) return 0;
  const double scaled = std::round(seconds * 1000.0 * TimeoutScale());
  return scaled < 1 ? 1 : static_cast<long>(scaled);
}

}  // namespace qiv::platform
