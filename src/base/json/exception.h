// The one error the JSON component raises: a member inserted under a name that the
// object already holds.
#pragma once

#include <stdexcept>
#include <string>

namespace json {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace json
