#include "base/strings/trim.h"

namespace String {

std::wstring_view Trim(std::wstring_view text, std::wstring_view blanks) {
  return TrimEnd(TrimStart(text, blanks), blanks);
}

}  // namespace String
