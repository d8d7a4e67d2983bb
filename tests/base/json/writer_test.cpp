#include "base/json/writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/json/json.h"

namespace {

std::string Write(const json::Object& object) {
  std::ostringstream stream;
  json::Writer::WriteObject(object, stream);
  return stream.str();
}

TEST(JsonWriter, EmptyObjectIsTwoBracesWithoutLineEnd) { EXPECT_EQ(Write(json::Object()), "{}"); }

TEST(JsonWriter, FlatObjectUsesTabsSpacedColonsAndNoTrailingLineEnd) {
  json::Object object;
  object["a"] = json::String("x");
  object["b"] = json::String("y");
  EXPECT_EQ(Write(object), "{\n\t\"a\" : \"x\",\n\t\"b\" : \"y\"\n}");
}

TEST(JsonWriter, NestedObjectsIndentOneTabPerLevelAndEmptyOnesStayInline) {
  json::Object inner;
  inner["c"] = json::String("1");
  inner["d"] = json::Object();
  json::Object outer;
  outer["a"] = json::String("x");
  outer["in"] = inner;
  outer["empty"] = json::Object();
  EXPECT_EQ(Write(outer),
            "{\n"
            "\t\"a\" : \"x\",\n"
            "\t\"in\" : {\n"
            "\t\t\"c\" : \"1\",\n"
            "\t\t\"d\" : {}\n"
            "\t},\n"
            "\t\"empty\" : {}\n"
            "}");
}

TEST(JsonWriter, MemberNeverAssignedIsNull) {
  json::Object object;
  object["unset"];
  EXPECT_EQ(Write(object), "{\n\t\"unset\" : null\n}");
}

TEST(JsonWriter, EscapesOnlyTheTableBytesInValuesAndNames) {
  struct Case {
    std::string raw;
    std::string written;
  };
  const Case cases[] = {
      {"\"", "\\\""},
      {"\\", "\\\\"},
      {"\b", "\\b"},
      {"\f", "\\f"},
      {"\n", "\\n"},
      {"\r", "\\r"},
      {"\t", "\\t"},
      {"\x01", "\x01"},
      {"\x0b", "\x0b"},
      {"\x7f", "\x7f"},
      {"/", "/"},
      {"\xe9", "\xe9"},
      {"\xc3\xa9", "\xc3\xa9"},
      {std::string(1, '\0'), std::string(1, '\0')},
  };
  for (const Case& c : cases) {
    json::Object object;
    object[c.raw] = json::String("v" + c.raw);
    EXPECT_EQ(Write(object), "{\n\t\"" + c.written + "\" : \"v" + c.written + "\"\n}")
        << "byte " << static_cast<int>(static_cast<unsigned char>(c.raw[0]));
  }
}

TEST(JsonWriter, ArraysNumbersAndBooleans) {
  json::Array list;
  list.Append(json::Number(1.5));
  list.Append(json::Boolean(true));
  list.Append(json::Boolean(false));
  list.Append(json::Array());
  json::Object object;
  object["list"] = list;
  object["big"] = json::Number(123456789.25);
  EXPECT_EQ(Write(object),
            "{\n"
            "\t\"list\" : [\n"
            "\t\t1.5,\n"
            "\t\ttrue,\n"
            "\t\tfalse,\n"
            "\t\t[]\n"
            "\t],\n"
            "\t\"big\" : 123456789.25\n"
            "}");
}

}  // namespace
