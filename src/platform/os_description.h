// The one-line description of the operating system sent with uninstall feedback.
#pragma once

#include "platform/tstring.h"
#include "platform/win32.h"

// What the description is made from, as the system reports it.
struct OperatingSystemFacts {
  OSVERSIONINFOEXW version;
  SYSTEM_INFO system;
  BOOL isWow64;  // a 32-bit process on 64-bit Windows
  int serverR2;  // GetSystemMetrics(SM_SERVERR2)
};

// "Operating System: " + name + " " + service pack (when the version has a name)
// + " 64bit" or " 32bit".
String::_tstringW DescribeOperatingSystem(const OperatingSystemFacts& facts);

// Gathers the facts from the running system and describes them.
String::_tstringW GetOperatingSystemDescription();
