#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "web/web_service.h"

namespace {

TEST(ServiceResponseTest, WriteCallbackAppendsToBody) {
  ServiceResponse response;
  response.body = "kept";
  char chunk[] = {'a', 'b', '\0', 'c'};
  EXPECT_EQ(WriteCallback(chunk, 2, 2, &response), 4u);
  EXPECT_EQ(response.body, std::string("keptab\0c", 8));
}

TEST(ServiceResponseTest, HeaderCallbackAppendsWhenSinkIsSet) {
  char line[] = "X: y\r\n";
  std::string headers = "A: b\r\n";
  EXPECT_EQ(HeaderCallback(line, 1, 6, &headers), 6u);
  EXPECT_EQ(headers, "A: b\r\nX: y\r\n");
  EXPECT_EQ(HeaderCallback(line, 1, 6, nullptr), 6u);
}

TEST(ServiceResponseTest, WriteCallbackWritesFileAndResetClosesIt) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "qiv_service_response_test.bin";
  std::filesystem::remove(path);
  ServiceResponse response;
  response.toFile = 1;
  response.filePath = path.wstring();
  char first[] = "abc";
  char second[] = "de";
  EXPECT_EQ(WriteCallback(first, 1, 3, &response), 3u);
  EXPECT_EQ(WriteCallback(second, 1, 2, &response), 2u);
  EXPECT_NE(response.file, nullptr);
  EXPECT_TRUE(response.body.empty());
  response.Reset();  // closes (and so flushes) the file
  EXPECT_EQ(response.file, nullptr);
  EXPECT_EQ(response.toFile, 0);
  EXPECT_TRUE(response.filePath.empty());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abcde");
  in.close();
  std::filesystem::remove(path);
}

TEST(ServiceResponseTest, UnopenableFileRefusesTheData) {
  ServiceResponse response;
  response.toFile = 1;
  response.filePath = (std::filesystem::temp_directory_path() / "qiv-missing-dir" / "x").wstring();
  char data[] = "x";
  EXPECT_EQ(WriteCallback(data, 1, 1, &response), static_cast<size_t>(-1));
  EXPECT_EQ(response.file, nullptr);
}

}  // namespace
