// Scoped owners of the libcurl objects one request uses.
#pragma once

#ifndef CURL_DISABLE_DEPRECATION
#define CURL_DISABLE_DEPRECATION  // the multipart form calls of curl_formadd
#endif
#include <curl/curl.h>

#include <string>

namespace web {

class CurlEasy {
 public:
  CurlEasy() : handle_(curl_easy_init()) {}
  ~CurlEasy() {
    if (handle_ != nullptr) curl_easy_cleanup(handle_);
  }
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;

  CURL* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  CURL* handle_;
};

// The parts of a multipart form, freed with the request.
class CurlForm {
 public:
  CurlForm() = default;
  ~CurlForm() {
    if (first_ != nullptr) curl_formfree(first_);
  }
  CurlForm(const CurlForm&) = delete;
  CurlForm& operator=(const CurlForm&) = delete;

  curl_httppost** first() { return &first_; }
  curl_httppost** last() { return &last_; }
  curl_httppost* get() const { return first_; }

 private:
  curl_httppost* first_ = nullptr;
  curl_httppost* last_ = nullptr;
};

// A parsed URL for libcurl's URL API.
class CurlUrl {
 public:
  CurlUrl() : handle_(curl_url()) {}
  ~CurlUrl() {
    if (handle_ != nullptr) curl_url_cleanup(handle_);
  }
  CurlUrl(const CurlUrl&) = delete;
  CurlUrl& operator=(const CurlUrl&) = delete;

  CURLU* get() const { return handle_; }

  // One part of the URL as text; empty where it has none.
  std::string Part(CURLUPart part, unsigned flags = 0) const {
    char* text = nullptr;
    if (curl_url_get(handle_, part, &text, flags) != CURLUE_OK || text == nullptr) return {};
    std::string value(text);
    curl_free(text);
    return value;
  }

 private:
  CURLU* handle_;
};

}  // namespace web
