#include <cstdio>
#include <string>

#include "platform/file_io.h"
#include "web/web_service.h"

ServiceResponse::~ServiceResponse() {
  if (file != nullptr) std::fclose(file);
}

// Closes a file left open by an earlier transfer rather than losing its handle.
void ServiceResponse::Reset() {
  if (file != nullptr) std::fclose(file);
  toFile = 0;
  body.clear();
  filePath.clear();
  file = nullptr;
  headers = nullptr;
}

size_t WriteCallback(void* data, size_t size, size_t count, ServiceResponse* response) {
  const size_t bytes = size * count;
  if (response->toFile == 0) {
    response->body.append(static_cast<const char*>(data), bytes);
    return bytes;
  }
  if (response->file == nullptr) {
    response->file = qiv::platform::OpenFileForBinaryWrite(response->filePath.c_str());
    if (response->file == nullptr) return static_cast<size_t>(-1);
  }
  if (std::fwrite(data, 1, bytes, response->file) < bytes) return static_cast<size_t>(-1);
  return bytes;
}

size_t HeaderCallback(void* data, size_t size, size_t count, std::string* headers) {
  const size_t bytes = size * count;
  if (headers != nullptr) headers->append(static_cast<const char*>(data), bytes);
  return bytes;
}
