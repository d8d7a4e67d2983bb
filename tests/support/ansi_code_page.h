// Runs a test under a given ANSI code page. The POSIX stand-in can switch it;
// on Windows the system's code page stands, and active() tells whether it matches.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix/code_page_hooks.h"
#endif

namespace qiv::testing {

class ScopedAnsiCodePage {
 public:
  // `name` is an iconv name such as "CP1252" or "UTF-8".
  explicit ScopedAnsiCodePage(const char* name) {
#ifdef _WIN32
    const std::string wanted(name);
    const UINT acp = GetACP();
    active_ = (wanted == "CP1252" && acp == 1252) || (wanted == "UTF-8" && acp == CP_UTF8);
#else
    qiv::posix::SetAnsiCodePageForTesting(name);
    active_ = true;
#endif
  }
  ~ScopedAnsiCodePage() {
#ifndef _WIN32
    qiv::posix::SetAnsiCodePageForTesting(nullptr);
#endif
  }
  ScopedAnsiCodePage(const ScopedAnsiCodePage&) = delete;
  ScopedAnsiCodePage& operator=(const ScopedAnsiCodePage&) = delete;

  bool active() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace qiv::testing
