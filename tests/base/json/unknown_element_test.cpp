#include "base/json/unknown_element.h"

#include <gtest/gtest.h>

#include <string>

#include "base/json/json.h"

namespace {

TEST(JsonElement, DefaultIsNullAndKindsAreRecognised) {
  json::UnknownElement element;
  EXPECT_NE(element.As<json::Null>(), nullptr);
  EXPECT_EQ(element.As<json::String>(), nullptr);
  element = json::String("text");
  EXPECT_EQ(element.As<json::Null>(), nullptr);
  ASSERT_NE(element.As<json::String>(), nullptr);
  EXPECT_EQ(element.As<json::String>()->Value(), "text");
}

TEST(JsonElement, EqualityNeedsSameKindAndValue) {
  json::Object ab;
  ab["a"] = json::String("1");
  ab["b"] = json::String("2");
  json::Object ba;
  ba["b"] = json::String("2");
  ba["a"] = json::String("1");
  json::Object abNull;
  abNull["a"] = json::String("1");
  abNull["b"];

  struct Case {
    json::UnknownElement left;
    json::UnknownElement right;
    bool equal;
  };
  const Case cases[] = {
      {json::Null(), json::UnknownElement(), true},
      {json::String("x"), json::String("x"), true},
      {json::String("x"), json::String("X"), false},
      {json::String(""), json::Null(), false},
      {json::String("1"), json::Number(1), false},
      {json::Number(1), json::Number(1.0), true},
      {json::Boolean(true), json::Boolean(false), false},
      {ab, ab, true},
      {ab, ba, false},
      {ab, abNull, false},
      {json::Object(), json::Object(), true},
      {json::Object(), json::Array(), false},
  };
  int index = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(c.left == c.right, c.equal) << "case " << index;
    EXPECT_EQ(c.right == c.left, c.equal) << "case " << index << " reversed";
    ++index;
  }
}

TEST(JsonElement, CopyAndAssignmentCloneTheValue) {
  json::UnknownElement original = json::String("one");
  json::UnknownElement copy(original);
  json::UnknownElement assigned;
  assigned = original;
  original = json::String("two");
  EXPECT_EQ(copy.As<json::String>()->Value(), "one");
  EXPECT_EQ(assigned.As<json::String>()->Value(), "one");
  const json::UnknownElement& self = assigned;
  assigned = self;
  EXPECT_EQ(assigned.As<json::String>()->Value(), "one");
}

}  // namespace
