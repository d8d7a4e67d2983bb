// An open file descriptor of the stand-in, closed when its owner goes.
#pragma once

#include <unistd.h>

#include "base/memory/scoped_handle.h"

namespace qiv::posix {

struct FdTraits {
  using Handle = int;
  static int Invalid() { return -1; }
  static bool IsValid(int fd) { return fd >= 0; }
  static void Close(int fd) { ::close(fd); }
};
using ScopedFd = ScopedHandle<FdTraits>;

}  // namespace qiv::posix
