// How much of an answer a request takes in.
#pragma once

#include <cstddef>

namespace web {

// The largest answer a service gives is a few KiB (the goal list). Past 64 KiB of
// body (or of headers) it is no answer of theirs: the transfer ends as a failure,
// as a broken connection would, long before a 32-bit process runs out of memory.
// It also keeps a real goal list under the XML parser's element limit.
inline constexpr size_t kMaxResponseBytes = 64 * 1024;

// What a write or header callback returns to end the transfer (libcurl reports
// CURLE_WRITE_ERROR for any count other than the one it offered).
inline constexpr size_t kRefuseTransfer = static_cast<size_t>(-1);

// True when `more` bytes on top of the `held` ones stay within the limit.
constexpr bool WithinResponseLimit(size_t held, size_t more) {
  return held <= kMaxResponseBytes && more <= kMaxResponseBytes - held;
}

}  // namespace web
