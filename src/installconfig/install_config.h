// The per-game install configuration document (appinstallconfig.xml): parsing,
// printing, loading and the names of registry roots it uses. Writing it back is
// removal/delete/document_removal.h: it changes a folder the game owns.
#pragma once

#include <tinyxml.h>

#include <cstddef>
#include <string>

#include "platform/tstring.h"
#include "platform/win32.h"

// Files larger than this are no install configuration; they are not read.
constexpr size_t kMaxInstallConfigBytes = 4 * 1024 * 1024;

// Owns one parsed document; everything reached through Root() lives as long as it.
class InstallConfigDocument {
 public:
  InstallConfigDocument() = default;
  InstallConfigDocument(const InstallConfigDocument&) = delete;
  InstallConfigDocument& operator=(const InstallConfigDocument&) = delete;

  TiXmlElement* Root() { return xml_.RootElement(); }

  // Parses the file's bytes; false when they are no XML document with an element.
  bool Parse(const std::string& bytes);
  // The document as text, to be written back: a byte-order mark it was read with
  // is kept, so the text's encoding is detected as before.
  std::string Print() const;

 private:
  TiXmlDocument xml_;
  bool byteOrderMark_ = false;
};

// Loads the document at `path` into `document`. Returns its root element, or null
// when the file is absent, unreadable, too large or no document with an element.
TiXmlElement* LoadInstallConfig(const String::_tstringW& path, InstallConfigDocument& document);

// The predefined root key with exactly this name; HKEY_CLASSES_ROOT for any other text.
HKEY ParseRootKeyName(const String::_tstringW& name);
