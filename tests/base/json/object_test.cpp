#include "base/json/object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/json/json.h"

namespace {

std::vector<std::string> Names(const json::Object& object) {
  std::vector<std::string> names;
  for (const json::Object::Member& member : object) names.push_back(member.name);
  return names;
}

std::string StringOf(const json::Object& object, const std::string& name) {
  auto member = object.FindMember(name);
  if (member == object.end()) return "<missing>";
  const json::String* value = member->element.As<json::String>();
  return value != nullptr ? value->Value() : "<not a string>";
}

TEST(JsonObject, MembersKeepFirstSetOrderAndReplaceInPlace) {
  json::Object object;
  object["b"] = json::String("1");
  object["a"] = json::String("2");
  object["c"] = json::String("3");
  object["a"] = json::String("changed");
  EXPECT_EQ(Names(object), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(StringOf(object, "a"), "changed");
  EXPECT_EQ(object.Size(), 3u);
}

TEST(JsonObject, NamesAreCaseSensitive) {
  json::Object object;
  object["Key"] = json::String("upper");
  object["key"] = json::String("lower");
  EXPECT_EQ(Names(object), (std::vector<std::string>{"Key", "key"}));
}

TEST(JsonObject, InsertingATakenNameThrowsWithTheName) {
  json::Object object;
  object["device_id"] = json::String("x");
  try {
    object.InsertMember(json::Object::Member("device_id"), object.end());
    FAIL() << "no exception";
  } catch (const json::Exception& error) {
    EXPECT_STREQ(error.what(), "Object member already exists: device_id");
  }
  EXPECT_EQ(object.Size(), 1u);
}

TEST(JsonObject, InsertMemberPlacesBeforeThePosition) {
  json::Object object;
  object["a"];
  object["c"];
  auto inserted =
      object.InsertMember(json::Object::Member("b", json::String("x")), object.FindMember("c"));
  EXPECT_EQ(inserted->name, "b");
  EXPECT_EQ(Names(object), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(JsonObject, ClearEmptiesAndFindMemberReportsEnd) {
  json::Object object;
  EXPECT_TRUE(object.IsEmpty());
  object["a"];
  EXPECT_FALSE(object.IsEmpty());
  object.Clear();
  EXPECT_TRUE(object.IsEmpty());
  EXPECT_TRUE(object.FindMember("a") == object.end());
}

TEST(JsonObject, CopiesAreDeep) {
  json::Object inner;
  inner["x"] = json::String("1");
  json::Object original;
  original["inner"] = inner;
  json::Object copy = original;
  inner["x"] = json::String("changed after insertion");
  original["inner"] = json::String("replaced");
  const json::Object* copiedInner = copy.FindMember("inner")->element.As<json::Object>();
  ASSERT_NE(copiedInner, nullptr);
  EXPECT_EQ(StringOf(*copiedInner, "x"), "1");
}

TEST(JsonObject, AnElementMayTakeAValueNestedInsideItself) {
  json::Object inner;
  inner["leaf"] = json::String("kept");
  json::Object outer;
  outer["inner"] = inner;
  json::UnknownElement& slot = outer["inner"];
  slot = outer.FindMember("inner")->element.As<json::Object>()->FindMember("leaf")->element;
  EXPECT_EQ(StringOf(outer, "inner"), "kept");
}

}  // namespace
