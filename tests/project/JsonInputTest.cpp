// JSON from a file a user may have been sent: nesting, values, repeated keys
// and numbers beyond a double are refused before any tree is built, with the
// place and the reason.
#include "project/JsonInput.h"
#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace
{

std::string Nested(size_t depth, const std::string& inner = "0")
{
    return std::string(depth, '[') + inner + std::string(depth, ']');
}

TEST(JsonInputTest, NestingIsRefusedBelowTheLimitWithoutBuildingAnything)
{
    EXPECT_TRUE(ParseJsonDocument(Nested(kMaxJsonDepth)).document);
    EXPECT_EQ(ParseJsonDocument(Nested(kMaxJsonDepth + 1)).error,
              "[0]: lists and objects nested more than 64 levels deep");

    // The file that overflowed the stack: an unknown key of a project, kept
    // and copied as it was, 200,000 levels deep.
    const auto start = std::chrono::steady_clock::now();
    const ProjectReadResult deep =
        ParseProject("{\"format\": \"volume-planner-project\", \"extra\": " + Nested(200000) + "}");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_EQ(deep.error, "extra: lists and objects nested more than 64 levels deep");
    EXPECT_EQ(ParseJsonDocument("{\"a\": {\"b\": [{\"c\": " + Nested(62) + "}]}}").error,
              "a: lists and objects nested more than 64 levels deep");
}

TEST(JsonInputTest, AMillionValuesAreTheMost)
{
    // The list itself is one of them.
    std::string zeros = "[0";
    for (size_t i = 1; i + 1 < kMaxJsonValues; ++i)
        zeros += ",0";
    EXPECT_TRUE(ParseJsonDocument(zeros + "]").document);
    EXPECT_EQ(ParseJsonDocument(zeros + ",0]").error, "(document): more than 1000000 values in the file");
    EXPECT_EQ(ParseJsonDocument(zeros + ",[]]", "obstacles").error, "obstacles: more than 1000000 values in the file");
}

TEST(JsonInputTest, ARepeatedKeyIsRefusedWhereverItIsNamingIt)
{
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {R"({"room": {}, "voxel_cm": 5, "room": {}})", "room: the key is given twice"},
        {R"({"room": {"unit": "m", "length_m": 4, "unit": "ft"}})", "room.unit: the key is given twice"},
        {R"({"cameras": [{"label": "a"}, {"label": "b", "label": "c"}]})", "cameras[1].label: the key is given twice"},
        {R"([[1, 2], {"x": [{"y": 1, "y": 2}]}])", "[1].x[0].y: the key is given twice"},
        // The name is made printable: a key may carry escapes.
        {"{\"\\u001b[2J\": 1, \"\\u001b[2J\": 2}", "\xEF\xBF\xBD[2J: the key is given twice"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseJsonDocument(c.text).error, c.error) << c.text;
    // The same key in sibling objects is no repetition.
    EXPECT_TRUE(ParseJsonDocument(R"([{"a": 1}, {"a": 2}, {"b": {"a": 3}}])").document);
}

TEST(JsonInputTest, NumbersBeyondADoubleAreNamedAndOtherTextIsNotJson)
{
    EXPECT_EQ(ParseJsonDocument(R"({"room": {"length_m": 1e999}})").error,
              "room.length_m: the number 1e999 is beyond the range of a double");
    EXPECT_EQ(ParseJsonDocument(R"({"a": [1, 2, -1e400]})").error,
              "a[2]: the number -1e400 is beyond the range of a double");
    const JsonReadResult read = ParseJsonDocument(R"({"tiny": 1e-320, "big": 18446744073709551616})");
    ASSERT_TRUE(read.document);
    EXPECT_GT((*read.document)["tiny"].get<double>(), 0.0);
    for (const char* text : {"", "{", "[1,]", "{\"a\": 1} x", "\"\xC3\x28\"", "nan"})
        EXPECT_EQ(ParseJsonDocument(text).error, "the file is not JSON") << text;
}

} // namespace
