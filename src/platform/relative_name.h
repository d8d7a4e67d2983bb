// An entry's name relative to an open folder, as the native file calls take it:
// nothing but the folder's handle decides where the name is looked up.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qiv::platform {

struct RelativeName {
  // `name` must outlive this. Taken literally (case and all) unless `attributes`
  // says otherwise (OBJ_CASE_INSENSITIVE).
  RelativeName(HANDLE folder, const std::wstring& name, ULONG attributes = 0) {
    unicode.Buffer = const_cast<LPWSTR>(name.c_str());
    unicode.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    unicode.MaximumLength = unicode.Length;
    object.Length = sizeof(object);
    object.RootDirectory = folder;
    object.ObjectName = &unicode;
    object.Attributes = attributes;
  }
  RelativeName(const RelativeName&) = delete;
  RelativeName& operator=(const RelativeName&) = delete;

  UNICODE_STRING unicode{};
  OBJECT_ATTRIBUTES object{};
};

}  // namespace qiv::platform
