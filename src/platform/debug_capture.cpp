#include "platform/debug_capture.h"

#include <atomic>

namespace qiv::platform {

namespace {
std::atomic<DebugCapture*> current{nullptr};
}  // namespace

DebugCapture::DebugCapture() {
  StartListeningForDebugOutput();
  current.store(this);
}

DebugCapture::~DebugCapture() {
  DebugCapture* self = this;
  current.compare_exchange_strong(self, nullptr);
}

std::vector<std::wstring> DebugCapture::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

void DebugCapture::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.clear();
}

void DebugCapture::Record(const std::wstring& message) {
  DebugCapture* capture = current.load();
  if (capture == nullptr) return;
  std::lock_guard<std::mutex> lock(capture->mutex_);
  capture->messages_.push_back(message);
}

}  // namespace qiv::platform
