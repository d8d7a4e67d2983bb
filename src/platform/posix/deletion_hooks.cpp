#include "platform/posix/deletion_hooks.h"

#include <mutex>
#include <utility>

namespace qiv::posix {

namespace {

std::mutex recorderMutex;
DeletionRecorder& Recorder() {
  static DeletionRecorder recorder;
  return recorder;
}

DeletionRefusal& Refusal() {
  static DeletionRefusal refusal;
  return refusal;
}

ImageHold& Hold() {
  static ImageHold hold;
  return hold;
}

}  // namespace

void SetImageHold(ImageHold hold) {
  std::lock_guard<std::mutex> lock(recorderMutex);
  Hold() = std::move(hold);
}

bool ImageHeld(const std::wstring& target) {
  ImageHold hold;
  {
    std::lock_guard<std::mutex> lock(recorderMutex);
    hold = Hold();
  }
  return hold && hold(target);
}

void SetDeletionRefusal(DeletionRefusal refusal) {
  std::lock_guard<std::mutex> lock(recorderMutex);
  Refusal() = std::move(refusal);
}

bool DeletionRefused(const std::wstring& target) {
  DeletionRefusal refusal;
  {
    std::lock_guard<std::mutex> lock(recorderMutex);
    refusal = Refusal();
  }
  return refusal && refusal(target);
}

void SetDeletionRecorder(DeletionRecorder recorder) {
  std::lock_guard<std::mutex> lock(recorderMutex);
  Recorder() = std::move(recorder);
}

bool DeletionRecorderSet() {
  std::lock_guard<std::mutex> lock(recorderMutex);
  return static_cast<bool>(Recorder());
}

bool InterceptDeletion(DeletionKind kind, const std::wstring& target) {
  DeletionRecorder recorder;
  {
    std::lock_guard<std::mutex> lock(recorderMutex);
    recorder = Recorder();
  }
  if (!recorder) return false;
  recorder(DeletionRequest{kind, target});
  return true;
}

}  // namespace qiv::posix
