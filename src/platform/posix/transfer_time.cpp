#include "platform/transfer_time.h"

#include <cmath>
#include <optional>

#include "platform/posix/scale_setting.h"

namespace qiv::platform {

namespace {

// An unset or unreadable setting means the program's own values.
double TimeoutScale() {
  const std::optional<double> scale = qiv::posix::ReadScaleSetting("QIV_HTTP_TIMEOUT_SCALE");
  return scale && *scale > 0 && *scale <= 1 ? *scale : 1.0;
}

}  // namespace

long TransferTimeoutMilliseconds(unsigned seconds) {
  if (seconds == 0) return 0;
  const double scaled = std::round(seconds * 1000.0 * TimeoutScale());
  return scaled < 1 ? 1 : static_cast<long>(scaled);
}

}  // namespace qiv::platform
