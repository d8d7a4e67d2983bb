// Small helpers shared by the fuzz targets: carving typed values out of the input
// and failing loudly when a property does not hold.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A broken property is a crash, so libFuzzer keeps the input that shows it.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

namespace fuzz {

// Reads the input front to back; reads past the end give zeros and empty text.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return position_ >= size_; }
  size_t Remaining() const { return size_ - position_; }

  uint8_t Byte() { return Empty() ? 0 : data_[position_++]; }

  uint16_t Unit16() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }

  uint32_t Number32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return value;
  }

  // Bytes up to the next `separator` (consumed, not returned) or the end.
  std::string Until(uint8_t separator) {
    std::string out;
    while (!Empty()) {
      const uint8_t byte = data_[position_++];
      if (byte == separator) break;
      out.push_back(static_cast<char>(byte));
    }
    return out;
  }

  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_ + position_), Remaining());
    position_ = size_;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// A NUL-terminated copy in a buffer of exactly its size, so that a read past the
// terminator is a heap overflow that the sanitizer reports.
inline std::vector<char> Terminated(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return buffer;
}

inline std::vector<wchar_t> Terminated(const std::wstring& text) {
  std::vector<wchar_t> buffer(text.begin(), text.end());
  buffer.push_back(L'\0');
  return buffer;
}

}  // namespace fuzz
