#include "installconfig/install_config_items.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/xml/xml_text.h"
#include "installconfig/install_config.h"

namespace {

using qiv::installconfig::ReadRegistryItemGroups;
using qiv::installconfig::RegistryItemGroup;

// One line per group: "v:" then the vantoritems paths, " a:" then the appitems paths.
std::vector<std::string> Describe(const std::vector<RegistryItemGroup>& groups) {
  std::vector<std::string> lines;
  for (const RegistryItemGroup& group : groups) {
    std::string line = "v:";
    // Appended piece by piece: `" " + temporary` trips GCC 12's false -Wrestrict at -O2.
    for (const auto& item : group.vantorItems) line.append(" ").append(item.path.ToAnsi());
    line += " a:";
    for (const auto& item : group.appItems) line.append(" ").append(item.path.ToAnsi());
    lines.push_back(line);
  }
  return lines;
}

TEST(InstallConfigItemsTest, ReadsItemListsByTheDocumentRules) {
  const struct {
    const char* xml;
    std::vector<std::string> groups;
  } cases[] = {
      {"<c/>", {}},
      {"<c><registry/></c>", {"v: a:"}},
      {"<c><registry><vantoritems><item path='V1'/><item path='V2'/></vantoritems>"
       "<appitems><item path='A1'/></appitems></registry></c>",
       {"v: V1 V2 a: A1"}},
      // Every later sibling belongs to the list, whatever its name.
      {"<c><registry><appitems><item path='A1'/><other path='X'/><item path='A2'/></appitems>"
       "</registry></c>",
       {"v: a: A1 X A2"}},
      // Elements before the first "item" are no items.
      {"<c><registry><appitems><other path='X'/><item path='A1'/></appitems></registry></c>",
       {"v: a: A1"}},
      // Only the first list element of each kind counts.
      {"<c><registry><vantoritems><item path='V1'/></vantoritems>"
       "<vantoritems><item path='V2'/></vantoritems></registry></c>",
       {"v: V1 a:"}},
      // Every "registry" element, whatever its language, in document order.
      {"<c><registry language='en'><appitems><item path='E'/></appitems></registry>"
       "<shortcut/><registry language='de'><appitems><item path='D'/></appitems></registry></c>",
       {"v: a: E", "v: a: D"}},
      // Only children of the root count; names compare with case.
      {"<c><x><registry><appitems><item path='N'/></appitems></registry></x>"
       "<Registry><appitems><item path='R'/></appitems></Registry></c>",
       {}},
      {"<c><registry><appitems><item/></appitems></registry></c>", {"v: a: "}},
  };
  for (const auto& c : cases) {
    InstallConfigDocument document;
    ASSERT_TRUE(document.Parse(c.xml)) << c.xml;
    EXPECT_EQ(Describe(ReadRegistryItemGroups(*document.Root())), c.groups) << c.xml;
  }
}

TEST(InstallConfigItemsTest, ResolvesRootNamesExactly) {
  const struct {
    const wchar_t* name;
    HKEY root;
  } cases[] = {
      {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
      {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
      {L"HKEY_PERFORMANCE_NLSTEXT", HKEY_PERFORMANCE_NLSTEXT},
      {L"HKEY_PERFORMANCE_TEXT", HKEY_PERFORMANCE_TEXT},
      {L"HKEY_USERS", HKEY_USERS},
      {L"hkey_local_machine", HKEY_CLASSES_ROOT},
      {L"HKLM", HKEY_CLASSES_ROOT},
      {L"HKEY_LOCAL_MACHINE ", HKEY_CLASSES_ROOT},
      {L"", HKEY_CLASSES_ROOT},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseRootKeyName(c.name), c.root) << testing::PrintToString(c.name);
  }
  InstallConfigDocument document;
  ASSERT_TRUE(
      document.Parse("<c><registry><appitems><item rootpath='HKEY_USERS' path='P'/>"
                     "<item path='Q'/></appitems></registry></c>"));
  const auto groups = ReadRegistryItemGroups(*document.Root());
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(groups[0].appItems.size(), 2u);
  EXPECT_EQ(groups[0].appItems[0].root, HKEY_USERS);
  EXPECT_EQ(groups[0].appItems[1].root, HKEY_CLASSES_ROOT);
}

TEST(InstallConfigItemsTest, ReadsTheFirstShortcutWithUtf8Paths) {
  InstallConfigDocument document;
  ASSERT_TRUE(document.Parse(
      "<c><shortcut desktop='C:\\D\\\xC3\xA9.lnk' startmenu='C:\\S\\g.lnk'/>"
      "<shortcut desktop='second'/><registry><appitems><item path='\xC3\xA9'/></appitems>"
      "</registry></c>"));
  TiXmlElement* shortcut = qiv::installconfig::FindShortcutElement(*document.Root());
  ASSERT_NE(shortcut, nullptr);
  const auto files = qiv::installconfig::ReadShortcutFiles(*shortcut);
  EXPECT_EQ(files.desktop, L"C:\\D\\\u00e9.lnk");
  EXPECT_EQ(files.startMenu, L"C:\\S\\g.lnk");
  // The same bytes in "path" go through the ANSI code page instead.
  const auto groups = ReadRegistryItemGroups(*document.Root());
  EXPECT_EQ(groups.at(0).appItems.at(0).path, String::_tstringW("\xC3\xA9"));

  InstallConfigDocument withoutShortcut;
  ASSERT_TRUE(withoutShortcut.Parse("<c><Shortcut desktop='x'/></c>"));
  EXPECT_EQ(qiv::installconfig::FindShortcutElement(*withoutShortcut.Root()), nullptr);
}

TEST(InstallConfigDocumentTest, RefusesWhatIsNoDocumentWithAnElement) {
  const std::string refused[] = {
      "",
      "   \n",
      "<?xml version=\"1.0\"?>",
      "<!-- only a comment -->",
      "plain text",
      "<a>",
      "<a></b>",
      // Ends inside a multi-byte sequence: read safely, refused.
      std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xE4"),
  };
  for (const std::string& bytes : refused) {
    InstallConfigDocument document;
    EXPECT_FALSE(document.Parse(bytes)) << testing::PrintToString(bytes);
    EXPECT_EQ(document.Root(), nullptr);
  }
}

TEST(InstallConfigDocumentTest, ParsesTheDeepestNestingItAccepts) {
  std::string deep;
  const size_t depth = qiv::xml::kMaxElementTags;
  for (size_t i = 0; i < depth; ++i) deep += "<a>";
  for (size_t i = 0; i < depth; ++i) deep += "</a>";
  InstallConfigDocument document;
  EXPECT_TRUE(document.Parse(deep));
  EXPECT_FALSE(document.Parse("<b>" + deep + "</b>"));
}

TEST(InstallConfigDocumentTest, PrintsBackWithTheByteOrderMarkItWasReadWith) {
  InstallConfigDocument withMark;
  ASSERT_TRUE(withMark.Parse("\xEF\xBB\xBF<c a='1'/>"));
  EXPECT_EQ(withMark.Print().rfind("\xEF\xBB\xBF<c", 0), 0u);
  InstallConfigDocument plain;
  ASSERT_TRUE(plain.Parse("<c a='1'/>"));
  EXPECT_EQ(plain.Print().rfind("<c a=\"1\" />", 0), 0u);
  InstallConfigDocument reread;
  EXPECT_TRUE(reread.Parse(withMark.Print()));
}

}  // namespace
