#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "web/response_limit.h"
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

// The limit holds for the body, the header sink and a file alike, however the
// answer arrives in pieces; past it the transfer is refused.
TEST(ServiceResponseTest, CallbacksRefuseWhatPassesTheLimit) {
  const size_t limit = web::kMaxResponseBytes;
  const std::string block(limit, 'x');
  const struct {
    size_t held;
    size_t more;
    bool taken;
  } cases[] = {
      {0, limit, true},      {limit - 1, 1, true},
      {0, limit + 1, false}, {limit, 1, false},
      {limit, 0, true},      {1, static_cast<size_t>(-1), false},  // no overflow of held + more
  };
  for (const auto& c : cases) {
    std::string data(c.taken ? c.more : 0, 'y');  // a refused count is never read
    const size_t expected = c.taken ? c.more : web::kRefuseTransfer;
    ServiceResponse response;
    response.body = block.substr(0, c.held);
    std::string headers = block.substr(0, c.held);
    EXPECT_EQ(WriteCallback(data.data(), 1, c.more, &response), expected)
        << c.held << "+" << c.more;
    EXPECT_EQ(response.body.size(), c.taken ? c.held + c.more : 0u) << "a refused body is dropped";
    EXPECT_EQ(HeaderCallback(data.data(), 1, c.more, &headers), expected);
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "qiv_service_response_limit.bin";
  ServiceResponse toFile;
  toFile.toFile = 1;
  toFile.filePath = path.wstring();
  std::string chunk(limit - 1, 'z');
  EXPECT_EQ(WriteCallback(chunk.data(), 1, chunk.size(), &toFile), chunk.size());
  EXPECT_EQ(WriteCallback(chunk.data(), 1, 1, &toFile), 1u);
  EXPECT_EQ(WriteCallback(chunk.data(), 1, 1, &toFile), web::kRefuseTransfer);
  toFile.Reset();
  EXPECT_EQ(std::filesystem::file_size(path), limit);
  std::filesystem::remove(path);
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
