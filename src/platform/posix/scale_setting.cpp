#include "platform/posix/scale_setting.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qiv::posix {

std::optional<double> ReadScaleSetting(const char* variable) {
  const char* text = std::getenv(variable);
  if (text == nullptr) return std::nullopt;
  double scale = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, scale, std::chars_format::fixed);
  if (error != std::errc() || stop != end || !std::isfinite(scale)) return std::nullopt;
  return scale;
}

}  // namespace qiv::posix
