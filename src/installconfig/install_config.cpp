#include "installconfig/install_config.h"

#include "installconfig/xml_text.h"
#include "platform/file_io.h"
#include "removal/delete/folder_chain_hold.h"
#include "removal/delete/held_file_replacement.h"

bool InstallConfigDocument::Parse(const std::string& bytes) {
  xml_.Clear();
  xml_.ClearError();
  byteOrderMark_ = false;
  std::string text;
  if (!qiv::installconfig::PrepareXmlText(bytes, text)) return false;
  xml_.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  if (xml_.Error() || xml_.RootElement() == nullptr) {
    xml_.Clear();
    return false;
  }
  byteOrderMark_ = qiv::installconfig::HasUtf8ByteOrderMark(bytes);
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
  if (!qiv::platform::ReadWholeFile(path, qiv::installconfig::kMaxDocumentBytes, bytes)) {
    return nullptr;
  }
  if (!document.Parse(bytes)) return nullptr;
  return document.Root();
}

bool SaveInstallConfig(const InstallConfigDocument& document, const String::_tstringW& path) {
  // TinyXML can print what it cannot read back: in a document read as UTF-8, a byte
  // that is no UTF-8 swallows the bytes after it, and printing (quotes added,
  // characters escaped) moves a delimiter into that shadow. Such a text is not
  // written, so the file keeps loading and keeps listing what is still to remove.
  const std::string text = document.Print();
  InstallConfigDocument readBack;
  if (!readBack.Parse(text)) return false;
  // The folder and every folder above stay held while the new text goes in, so the
  // file lands in the folder that was named; within it, only handles are used.
  const auto place = qiv::removal::PlaceOfFile(path);
  if (!place) return false;
  qiv::removal::FolderChainHold hold(place->folder);
  return hold.Held() &&
         qiv::removal::ReplaceFileInFolder(hold.DirectoryHandle(), place->name, text);
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
