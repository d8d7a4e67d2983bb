// Scoped owners of the libcurl objects one request uses.
#pragma once

#ifndef CURL_DISABLE_DEPRECATION
#define CURL_DISABLE_DEPRECATION  // the multipart form calls of curl_formadd
#endif
#include <curl/curl.h>

#include <memory>
#include <string>

#include "base/memory/scoped_handle.h"

namespace web {

// A new easy handle; null when libcurl could not make one.
class CurlEasy : public std::unique_ptr<CURL, qiv::FreeWith<curl_easy_cleanup>> {
 public:
  CurlEasy() : unique_ptr(curl_easy_init()) {}
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
class CurlUrl : public std::unique_ptr<CURLU, qiv::FreeWith<curl_url_cleanup>> {
 public:
  CurlUrl() : unique_ptr(curl_url()) {}

  // One part of the URL as text; empty where it has none.
  std::string Part(CURLUPart part, unsigned flags = 0) const {
    char* text = nullptr;
    if (curl_url_get(get(), part, &text, flags) != CURLUE_OK || text == nullptr) return {};
    const std::unique_ptr<char, qiv::FreeWith<curl_free>> owned(text);
    return std::string(text);
  }
};

}  // namespace web
