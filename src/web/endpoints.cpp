#include "web/endpoints.h"

#define QIV_WIDEN_(text) L##text
#define QIV_WIDEN(text) QIV_WIDEN_(text)

namespace endpoints {

const wchar_t* SiteHostName() { return QIV_WIDEN(QIV_SITE_HOST); }
const wchar_t* CollectorHostName() { return QIV_WIDEN(QIV_COLLECTOR_HOST); }
const wchar_t* TrackingHostName() { return QIV_WIDEN(QIV_TRACKING_HOST); }

const wchar_t* QaHostSuffix(int index) {
  return index == 0 ? QIV_WIDEN(QIV_QA_HOST_SUFFIX_1) : QIV_WIDEN(QIV_QA_HOST_SUFFIX_2);
}

const char* CaBundle() { return QIV_CA_BUNDLE; }

}  // namespace endpoints
