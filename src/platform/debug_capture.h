// Records the process's debug-output messages exactly as they were sent, so that
// tests can check the log lines. One capture at a time; messages sent while no
// capture is alive go only to the normal channel.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace qiv::platform {

class DebugCapture {
 public:
  DebugCapture();
  ~DebugCapture();
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;

  // Each message as UTF-16 code units, one entry per OutputDebugString call.
  // Narrow messages are widened byte by byte (they are ASCII in this program).
  std::vector<std::wstring> Messages() const;
  void Clear();

  // Called by the platform layer for every message.
  static void Record(const std::wstring& message);

 private:
  mutable std::mutex mutex_;
  std::vector<std::wstring> messages_;
};

// Makes the platform's debug-output messages reach DebugCapture::Record; called by
// every capture, does its work once.
void StartListeningForDebugOutput();

}  // namespace qiv::platform
