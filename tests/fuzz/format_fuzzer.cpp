// CheckFormat and both Format overloads with fuzzed formats. The target parses the
// conversions as printf will and passes exactly the argument types they take;
// formats it cannot feed soundly (%n, positional arguments, long double, unknown
// conversions, huge widths) are skipped, as the program never uses them.
//
// Input: one byte of expected count, one byte of argument seed, then the format.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/posix/code_page_hooks.h"
#include "platform/tstring.h"

// The formats are the fuzzer's input by design.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {

enum class Kind { kInt, kLong, kDouble, kPointer };
// Every kind in the first four places, then int only (the timestamp format takes
// seven ints): this bounds the instantiations of the call below.
constexpr size_t kMixedArguments = 4;
constexpr size_t kMaxArguments = 8;
constexpr int kMaxWidth = 1000;

const wchar_t kText[] = L"fuzz text \u00e9";

struct Conversions {
  std::vector<Kind> kinds;  // the arguments consumed, in order
  bool hasText = false;     // %c, %s, %p and their variants
};

// What the format consumes, or nothing when the target cannot feed it.
std::optional<Conversions> Parse(const std::string& format) {
  Conversions parsed;
  std::vector<Kind>& kinds = parsed.kinds;
  size_t i = 0;
  auto number = [&](int& value) {
    value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      value = value * 10 + (format[i++] - '0');
      if (value > kMaxWidth) return false;
    }
    return true;
  };
  while (i < format.size()) {
    if (format[i++] != '%') continue;
    if (i >= format.size()) break;  // a lone % at the end consumes nothing
    if (format[i] == '%') {
      ++i;
      continue;
    }
    while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr) ++i;
    int value = 0;
    if (i < format.size() && format[i] == '*') {
      kinds.push_back(Kind::kInt);
      ++i;
    } else if (!number(value)) {
      return std::nullopt;
    }
    if (i < format.size() && format[i] == '$') return std::nullopt;
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') {
        kinds.push_back(Kind::kInt);
        ++i;
      } else if (!number(value)) {
        return std::nullopt;
      }
    }
    std::string length;
    while (i < format.size() && std::strchr("hljzt", format[i]) != nullptr) length += format[i++];
    if (i >= format.size()) return std::nullopt;
    const char conversion = format[i++];
    const bool wideInteger =
        length == "l" || length == "ll" || length == "j" || length == "z" || length == "t";
    if (length.size() > 2 || (length.size() == 2 && length != "ll" && length != "hh")) {
      return std::nullopt;
    }
    parsed.hasText = parsed.hasText || std::strchr("cCsSp", conversion) != nullptr;
    if (std::strchr("diouxX", conversion) != nullptr) {
      kinds.push_back(wideInteger ? Kind::kLong : Kind::kInt);
    } else if (std::strchr("cC", conversion) != nullptr) {
      if (length.size() > 1) return std::nullopt;
      kinds.push_back(Kind::kInt);
    } else if (std::strchr("sSp", conversion) != nullptr) {
      if (length.size() > 1) return std::nullopt;
      kinds.push_back(Kind::kPointer);
    } else if (std::strchr("fFeEgGaA", conversion) != nullptr) {
      if (!length.empty() && length != "l") return std::nullopt;
      kinds.push_back(Kind::kDouble);
    } else {
      return std::nullopt;  // %n, %m, long double and everything unknown
    }
    if (kinds.size() > kMaxArguments) return std::nullopt;
  }
  return parsed;
}

class Call {
 public:
  Call(int expected, const std::string& format, bool hasText, uint8_t seed)
      : expected_(expected), format_(format), hasText_(hasText), seed_(seed) {}

  template <typename... Args>
  void Run(const std::vector<Kind>& kinds, size_t next, Args... args) {
    if (next == kinds.size()) {
      Check(args...);
      return;
    }
    const int small = static_cast<int>(seed_ * (next + 1)) % (2 * kMaxWidth) - kMaxWidth;
    if constexpr (sizeof...(Args) >= kMixedArguments && sizeof...(Args) < kMaxArguments) {
      if (kinds[next] == Kind::kInt) Run(kinds, next + 1, args..., small);
    } else if constexpr (sizeof...(Args) < kMixedArguments) {
      switch (kinds[next]) {
        case Kind::kInt:
          return Run(kinds, next + 1, args..., small);
        case Kind::kLong:
          return Run(kinds, next + 1, args..., static_cast<long long>(small) << 40);
        case Kind::kDouble:
          return Run(kinds, next + 1, args..., small / 7.0);
        case Kind::kPointer:
          return Run(kinds, next + 1, args..., static_cast<const void*>(kText));
      }
    }
  }

 private:
  template <typename... Args>
  void Check(Args... args) {
    const bool usable = String::CheckFormat(expected_, format_.c_str());

    String::_tstringW narrow(L"stale");
    narrow.Format(expected_, format_.c_str(), args...);
    std::wstring reference;
    if (usable) {
      std::vector<char> buffer(64 * 1024);
      const int length = std::snprintf(buffer.data(), buffer.size(), format_.c_str(), args...);
      // ISO-8859-1 widens byte for byte; the text ends at a NUL byte it holds.
      if (length > 0 && static_cast<size_t>(length) < buffer.size()) {
        for (const char* p = buffer.data(); *p != '\0'; ++p) {
          reference.push_back(static_cast<unsigned char>(*p));
        }
      }
    }
    FUZZ_CHECK(narrow == reference);

    std::wstring wideFormat;
    for (char byte : format_) wideFormat.push_back(static_cast<unsigned char>(byte));
    FUZZ_CHECK(String::CheckFormat(expected_, wideFormat.c_str()) == usable);
    String::_tstringW wide(L"stale");
    wide.Format(expected_, wideFormat.c_str(), args...);
    if (!usable) FUZZ_CHECK(wide.empty());
    // Without text conversions the two conventions agree; the narrow result is
    // cut at an embedded NUL, the wide one keeps it.
    if (usable && !hasText_) {
      FUZZ_CHECK(std::wstring(wide.c_str()) == narrow);
    }
  }

  int expected_;
  std::string format_;
  bool hasText_;
  uint8_t seed_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qiv::posix::SetAnsiCodePageForTesting("ISO-8859-1");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const int expected = static_cast<int>(in.Byte() % 10) - 1;
  const uint8_t seed = in.Byte();
  std::string format = in.Rest();
  format = format.substr(0, format.find('\0'));
  if (format.size() > 256) return 0;

  const std::optional<Conversions> parsed = Parse(format);
  if (!parsed) return 0;
  Call(expected, format, parsed->hasText, seed).Run(parsed->kinds, 0);
  return 0;
}
