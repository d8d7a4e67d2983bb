// The security descriptor of what only administrators may change: owner
// Administrators, and a protected DACL (nothing inherited from above) that gives
// SYSTEM and Administrators full access, inherited by everything inside. An owner
// can always write the DACL again, so the owner is set with it.
#pragma once

#include "platform/win32.h"

namespace qiv::removal {

class AdministratorsOnly {
 public:
  AdministratorsOnly();
  ~AdministratorsOnly();
  AdministratorsOnly(const AdministratorsOnly&) = delete;
  AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;

  // For an object being created; null when the system would not make it.
  PSECURITY_DESCRIPTOR Descriptor() const { return usable_ ? descriptor_ : nullptr; }

  // Sets owner and DACL through a handle opened with WRITE_OWNER and WRITE_DAC;
  // false when refused (not elevated) or no handle.
  bool ApplyTo(HANDLE handle) const;

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  PSID owner_ = nullptr;
  PACL dacl_ = nullptr;
  bool usable_ = false;
};

}  // namespace qiv::removal
