#include "platform/debug_capture.h"

namespace qiv::platform {

// The POSIX OutputDebugString calls DebugCapture::Record itself.
void StartListeningForDebugOutput() {}

}  // namespace qiv::platform
