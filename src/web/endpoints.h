// The hosts this build talks to, fixed when the program is built.
#pragma once

namespace endpoints {

// host[:port] of the web site (goal API, feedback form; HTTPS).
const wchar_t* SiteHostName();
// host[:port] of the analytics collector (HTTPS).
const wchar_t* CollectorHostName();
// host[:port] of the affiliate tracking service (plain HTTP).
const wchar_t* TrackingHostName();
// The two QA host suffixes; a URL containing either skips certificate checks.
const wchar_t* QaHostSuffix(int index);
// PEM file used as every request's trust store, or empty for the system's.
const char* CaBundle();

}  // namespace endpoints
