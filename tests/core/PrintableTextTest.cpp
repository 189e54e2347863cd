#include "scene/PrintableText.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const std::string kFffd = "\xEF\xBF\xBD";

TEST(PrintableTextTest, PlainTextComesBackUnchanged)
{
    for (const std::string text :
         {"", "Camera 1", "Kamera Süd-Ost", "カメラ 3", "\xF0\x9F\x8E\xA5 rig", "a\u00A0b", "\u200F\u202F\u2065\u206A"})
        EXPECT_EQ(PrintableText(text), text);
}

TEST(PrintableTextTest, ControlsAndDirectionOverridesAreReplaced)
{
    // A retitle and a screen clear as a label carries them: every control goes,
    // the printable text between stays.
    EXPECT_EQ(PrintableText("\x1B]0;owned\x07\x1B[2JCam"), kFffd + "]0;owned" + kFffd + kFffd + "[2JCam");
    EXPECT_EQ(PrintableText(std::string("a\0b\tc\nd\re\x7F", 10)),
              "a" + kFffd + "b" + kFffd + "c" + kFffd + "d" + kFffd + "e" + kFffd);
    // C1 controls as UTF-8 (CSI is U+009B), the overrides and isolates.
    for (const std::string c : {"\u0080", "\u009B", "\u009F", "\u202A", "\u202B", "\u202C", "\u202D", "\u202E",
                                "\u2066", "\u2067", "\u2068", "\u2069"})
        EXPECT_EQ(PrintableText("x" + c + "y"), "x" + kFffd + "y") << static_cast<unsigned>(c.back() & 0xFF);
}

TEST(PrintableTextTest, IllFormedUtf8BecomesOneReplacementPerMaximalPart)
{
    struct Case {
        std::string text;
        std::string printable;
    };
    const Case cases[] = {
        {"\x80", kFffd},        // a lone continuation byte
        {"a\xC3", "a" + kFffd}, // cut off at the end
        {"\xE2\x82"
         "b",
         kFffd + "b"}, // a three-byte start, cut short
        {"\xF0\x9F\x8E"
         "c",
         kFffd + "c"},                                       // a four-byte start, cut short
        {"\xC0\xAF", kFffd + kFffd},                         // overlong '/'
        {"\xE0\x80\xAF", kFffd + kFffd + kFffd},             // overlong, three bytes
        {"\xED\xA0\x80", kFffd + kFffd + kFffd},             // a surrogate
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd}, // above U+10FFFF
        {"\xFE\xFF", kFffd + kFffd},
        {"ok\xC3\xA9\xFFok", "ok\xC3\xA9" + kFffd + "ok"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PrintableText(c.text), c.printable) << c.text.size();
}

} // namespace
