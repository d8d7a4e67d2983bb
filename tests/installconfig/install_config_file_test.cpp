// Reading and writing the document through files: the untrusted-input regressions
// run on every platform; the file-system cases need the POSIX stand-in.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "installconfig/install_config.h"
#include "removal/delete/document_removal.h"

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

#include <dirent.h>
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

#ifndef _WIN32

namespace {

class DocumentRewriteTest : public qiv::testing::RegistryScratchTest {};

size_t EntryCount(const std::string& folder) {
  size_t entries = 0;
  DIR* listing = opendir(folder.c_str());
  while (const dirent* entry = listing != nullptr ? readdir(listing) : nullptr) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") ++entries;
  }
  if (listing != nullptr) closedir(listing);
  return entries;
}

// What someone who can write in the game's folder may have planted before the
// rewrite. Whatever it is, the file outside keeps its bytes, the document holds the
// new text, and no temporary file stays.
TEST_F(DocumentRewriteTest, NothingPlantedInTheFolderRedirectsTheWrite) {
  enum class Plant {
    kNothing,
    kHardLinkAtOldTemporaryName,
    kLinkAtOldTemporaryName,
    kLinkInDocumentsPlace,
    kHardLinkInDocumentsPlace,
    kDanglingLinkInPlace
  };
  const struct {
    const char* label;
    Plant plant;
  } kCases[] = {
      {"nothing", Plant::kNothing},
      {"hard link at the old temporary name", Plant::kHardLinkAtOldTemporaryName},
      {"symbolic link at the old temporary name", Plant::kLinkAtOldTemporaryName},
      {"symbolic link in the document's place", Plant::kLinkInDocumentsPlace},
      {"hard link in the document's place", Plant::kHardLinkInDocumentsPlace},
      {"dangling link in the document's place", Plant::kDanglingLinkInPlace},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.label);
    const std::string game = std::string("game-") + std::to_string(&testCase - kCases);
    ASSERT_EQ(mkdir(Path(game).c_str(), 0700), 0);
    const std::string outside = Path(game + "-precious.txt");
    qiv::testing::WriteFile(outside, "precious");
    const std::string document = Path(game + "/appinstallconfig.xml");
    const std::string oldTemporary = document + ".qivnew";
    switch (testCase.plant) {
      case Plant::kNothing:
        qiv::testing::WriteFile(document, "<old/>");
        break;
      case Plant::kHardLinkAtOldTemporaryName:
        qiv::testing::WriteFile(document, "<old/>");
        ASSERT_EQ(link(outside.c_str(), oldTemporary.c_str()), 0);
        break;
      case Plant::kLinkAtOldTemporaryName:
        qiv::testing::WriteFile(document, "<old/>");
        ASSERT_EQ(symlink(outside.c_str(), oldTemporary.c_str()), 0);
        break;
      case Plant::kLinkInDocumentsPlace:
        ASSERT_EQ(symlink(outside.c_str(), document.c_str()), 0);
        break;
      case Plant::kHardLinkInDocumentsPlace:
        ASSERT_EQ(link(outside.c_str(), document.c_str()), 0);
        break;
      case Plant::kDanglingLinkInPlace:
        ASSERT_EQ(symlink(Path(game + "-nowhere").c_str(), document.c_str()), 0);
        break;
    }
    InstallConfigDocument parsed;
    ASSERT_TRUE(parsed.Parse("<config/>"));
    EXPECT_TRUE(SaveInstallConfig(parsed, WinPath(game + "/appinstallconfig.xml")));
    EXPECT_EQ(qiv::testing::ReadFile(outside), "precious");
    EXPECT_FALSE(qiv::testing::Exists(Path(game + "-nowhere")));
    struct stat status {};
    ASSERT_EQ(lstat(document.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_nlink, 1u);
    EXPECT_EQ(qiv::testing::ReadFile(document).rfind("<config", 0), 0u);
    // Only what was there before, and the document.
    const bool plantedBeside = testCase.plant == Plant::kHardLinkAtOldTemporaryName ||
                               testCase.plant == Plant::kLinkAtOldTemporaryName;
    EXPECT_EQ(EntryCount(Path(game)), plantedBeside ? 2u : 1u);
  }
}

// A folder that cannot be held (here: the document's folder is a link) is not
// written to at all.
TEST_F(DocumentRewriteTest, AFolderThatIsALinkIsNotWritten) {
  ASSERT_EQ(mkdir(Path("elsewhere").c_str(), 0700), 0);
  qiv::testing::WriteFile(Path("elsewhere/appinstallconfig.xml"), "<old/>");
  ASSERT_EQ(symlink(Path("elsewhere").c_str(), Path("game").c_str()), 0);
  InstallConfigDocument parsed;
  ASSERT_TRUE(parsed.Parse("<config/>"));
  EXPECT_FALSE(SaveInstallConfig(parsed, WinPath("game/appinstallconfig.xml")));
  EXPECT_EQ(qiv::testing::ReadFile(Path("elsewhere/appinstallconfig.xml")), "<old/>");
}

}  // namespace

#endif  // _WIN32
