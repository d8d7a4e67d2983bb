// Time-scaling factors that tests set through the environment (QIV_SLEEP_SCALE,
// QIV_HTTP_TIMEOUT_SCALE): a plain decimal such as "0.01".
#pragma once

#include <optional>

namespace qiv::posix {

// The variable's value when it is set and is a finite plain decimal; nothing else.
std::optional<double> ReadScaleSetting(const char* variable);

}  // namespace qiv::posix
