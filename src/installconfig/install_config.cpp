#include "installconfig/install_config.h"

#include "base/xml/xml_text.h"
#include "platform/file_io.h"

bool InstallConfigDocument::Parse(const std::string& bytes) {
  xml_.Clear();
  xml_.ClearError();
  byteOrderMark_ = false;
  std::string text;
  if (!qiv::xml::PrepareXmlText(bytes, text)) return false;
  xml_.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  if (xml_.Error() || xml_.RootElement() == nullptr) {
    xml_.Clear();
    return false;
  }
  byteOrderMark_ = qiv::xml::HasUtf8ByteOrderMark(bytes);
  return true;
}

std::string InstallConfigDocument::Print() const {
  TiXmlPrinter printer;
  xml_.Accept(&printer);
  std::string text = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  text.append(printer.CStr(), printer.Size());
  return text;
}

TiXmlElement* LoadInstallConfig(const String::_tstringW& path, InstallConfigDocument& document) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  // Read by the wide name: a path outside the ANSI code page still reaches the file.
  std::string bytes;
  if (!qiv::platform::ReadWholeFile(path, kMaxInstallConfigBytes, bytes)) {
    return nullptr;
  }
  if (!document.Parse(bytes)) return nullptr;
  return document.Root();
}

HKEY ParseRootKeyName(const String::_tstringW& name) {
  static const struct {
    const wchar_t* name;
    HKEY root;
  } kRoots[] = {
      {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
      {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
      {L"HKEY_PERFORMANCE_NLSTEXT", HKEY_PERFORMANCE_NLSTEXT},
      {L"HKEY_PERFORMANCE_TEXT", HKEY_PERFORMANCE_TEXT},
      {L"HKEY_USERS", HKEY_USERS},
  };
  for (const auto& entry : kRoots) {
    if (name == entry.name) return entry.root;
  }
  return HKEY_CLASSES_ROOT;
}
