#include <cstdio>
#include <string>

#include "platform/file_io.h"
#include "web/response_limit.h"
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

namespace {

size_t TakeIntoBody(const char* data, size_t bytes, std::string& body) {
  if (!web::WithinResponseLimit(body.size(), bytes)) {
    // No answer at all: what came so far goes too, so that no caller reads the
    // beginning of an endless body as the service's answer.
    std::string().swap(body);
    return web::kRefuseTransfer;
  }
  body.append(data, bytes);
  return bytes;
}

size_t TakeIntoFile(const char* data, size_t bytes, ServiceResponse& response) {
  if (response.file == nullptr) {
    response.file = qiv::platform::OpenFileForBinaryWrite(response.filePath.c_str());
    if (response.file == nullptr) return web::kRefuseTransfer;
  }
  const long written = std::ftell(response.file);
  if (written < 0 || !web::WithinResponseLimit(static_cast<size_t>(written), bytes)) {
    return web::kRefuseTransfer;
  }
  if (std::fwrite(data, 1, bytes, response.file) < bytes) return web::kRefuseTransfer;
  return bytes;
}

}  // namespace

// Both callbacks run inside libcurl's C frames: nothing may leave them by exception
// (a failed allocation ends the transfer instead).
size_t WriteCallback(void* data, size_t size, size_t count, ServiceResponse* response) {
  try {
    const size_t bytes = size * count;
    if (response->toFile == 0) {
      return TakeIntoBody(static_cast<const char*>(data), bytes, response->body);
    }
    return TakeIntoFile(static_cast<const char*>(data), bytes, *response);
  } catch (...) {
    if (response->toFile == 0) std::string().swap(response->body);
    return web::kRefuseTransfer;
  }
}

size_t HeaderCallback(void* data, size_t size, size_t count, std::string* headers) {
  const size_t bytes = size * count;
  if (headers == nullptr) return bytes;
  if (!web::WithinResponseLimit(headers->size(), bytes)) return web::kRefuseTransfer;
  try {
    headers->append(static_cast<const char*>(data), bytes);
  } catch (...) {
    return web::kRefuseTransfer;
  }
  return bytes;
}
