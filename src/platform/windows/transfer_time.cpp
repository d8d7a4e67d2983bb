#include "platform/transfer_time.h"

namespace qiv::platform {

long TransferTimeoutMilliseconds(unsigned seconds) { return static_cast<long>(seconds) * 1000; }

}  // namespace qiv::platform
