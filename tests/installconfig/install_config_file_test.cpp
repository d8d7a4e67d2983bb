// Reading and writing the document through files: the untrusted-input regressions
// run on every platform; the file-system cases need the POSIX stand-in.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "installconfig/install_config.h"

namespace {

std::string ReadDataFile(const std::string& name) {
  std::ifstream in(std::string(QIV_TEST_DATA_DIR) + "/installconfig/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Files that end inside a UTF-8 sequence, which make the library's own file loading
// read past the end of its buffer. Run under valgrind by the test suite.
TEST(InstallConfigOverreadTest, FilesEndingInsideASequenceAreRefusedSafely) {
  for (const char* name :
       {"overread-text.xml", "overread-attribute-value.xml", "overread-bom-text.xml"}) {
    const std::string bytes = ReadDataFile(name);
    ASSERT_FALSE(bytes.empty()) << name;
    InstallConfigDocument document;
    EXPECT_FALSE(document.Parse(bytes)) << name;
  }
}

}  // namespace

#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include "support/registry_scratch.h"

namespace {

class InstallConfigFileTest : public qiv::testing::RegistryScratchTest {};

TEST_F(InstallConfigFileTest, LoadsOnlyAReadableDocument) {
  qiv::testing::WriteFile(Path("good.xml"), "<c><shortcut/></c>");
  qiv::testing::WriteFile(Path("bad.xml"), "<c>");
  qiv::testing::WriteFile(Path("big.xml"), "<c/>" + std::string(5 * 1024 * 1024, ' '));
  ASSERT_EQ(mkdir(Path("dir.xml").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(Path("fifo.xml").c_str(), 0600), 0);
  InstallConfigDocument document;
  EXPECT_NE(LoadInstallConfig(WinPath("good.xml"), document), nullptr);
  for (const char* name : {"missing.xml", "bad.xml", "big.xml", "dir.xml", "fifo.xml"}) {
    InstallConfigDocument refused;
    EXPECT_EQ(LoadInstallConfig(WinPath(name), refused), nullptr) << name;
  }
  EXPECT_FALSE(qiv::testing::Exists(Path("missing.xml")));
}

TEST_F(InstallConfigFileTest, ReachesFilesOutsideTheAnsiCodePage) {
  // The test process's code page cannot spell this name; the file is found by its
  // wide name all the same.
  ASSERT_EQ(mkdir(Path("\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0").c_str(), 0700), 0);
  const std::string file = "\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0/appinstallconfig.xml";
  qiv::testing::WriteFile(Path(file), "<c><shortcut/><registry/></c>");
  InstallConfigDocument document;
  TiXmlElement* root = LoadInstallConfig(WinPath(file), document);
  ASSERT_NE(root, nullptr);
  root->RemoveChild(root->FirstChildElement("shortcut"));
  EXPECT_TRUE(SaveInstallConfig(document, WinPath(file)));
  EXPECT_EQ(qiv::testing::ReadFile(Path(file)).find("shortcut"), std::string::npos);
}

TEST_F(InstallConfigFileTest, SavingReplacesALinkInsteadOfWritingThroughIt) {
  qiv::testing::WriteFile(Path("elsewhere.ini"), "[keep]\r\n");
  ASSERT_EQ(symlink(Path("elsewhere.ini").c_str(), Path("appinstallconfig.xml").c_str()), 0);
  InstallConfigDocument document;
  ASSERT_TRUE(document.Parse("<c/>"));
  EXPECT_TRUE(SaveInstallConfig(document, WinPath("appinstallconfig.xml")));
  EXPECT_EQ(qiv::testing::ReadFile(Path("elsewhere.ini")), "[keep]\r\n");
  EXPECT_EQ(qiv::testing::ReadFile(Path("appinstallconfig.xml")).rfind("<c", 0), 0u);
  EXPECT_FALSE(qiv::testing::Exists(Path("appinstallconfig.xml.qivnew")));
}

}  // namespace

#endif  // _WIN32
