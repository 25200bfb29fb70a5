// The settings file's text: escaping of names and text, and the registry's sections and
// typed values, read back exactly and read leniently when damaged.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "SettingsTestSupport.h"
#include "settings/RegistryText.h"
#include "settings/TextEscape.h"

namespace vlm {
namespace {

using test::shown;

std::string escaped(std::string_view text) {
  std::string out;
  appendEscaped(out, text);
  return out;
}

// Escaped is only what breaks a line, the file's syntax or its UTF-8; valid UTF-8 stays.
TEST(TextEscape, EscapesOnlyWhatBreaksALineOrTheUtf8) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"C:\\My Models\\~", "C:\\My Models\\~"}, {"a=b[c]", "a%3Db%5Bc%5D"}, {"50%", "50%25"},
      {"1\n2\r", "1%0A2%0D"}, {";x#y", "%3Bx%23y"}, {{"\0\x1f\x7f", 3}, "%00%1F%7F"},
      {"\xC2\xA0\xDF\xBF", "\xC2\xA0\xDF\xBF"},                  // U+00A0, U+07FF
      {"\xE0\xA0\x80\xED\x9F\xBF", "\xE0\xA0\x80\xED\x9F\xBF"},  // U+0800, U+D7FF
      {"\xEE\x80\x80\xEF\xBF\xBF", "\xEE\x80\x80\xEF\xBF\xBF"},  // U+E000, U+FFFF
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},  // U+10000, max
      {"\xC3", "%C3"}, {"\xC3(", "%C3("}, {"\x80x", "%80x"}, {"\xC1\xBF", "%C1%BF"},
      {"\xE0\x9F\xBF", "%E0%9F%BF"}, {"\xED\xA0\x80", "%ED%A0%80"}, {"\xED\xBF\xBF", "%ED%BF%BF"},
      {"\xF0\x8F\xBF\xBF", "%F0%8F%BF%BF"}, {"\xF4\x90\x80\x80", "%F4%90%80%80"},
      {"\xF5\x80\x80\x80", "%F5%80%80%80"}, {"\xFF\xFE", "%FF%FE"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(escaped(text), expected) << expected;
}

TEST(TextEscape, AnyBytesRoundTripAndBrokenEscapesAreRejected) {
  std::mt19937 random(12345);
  std::string back;
  for (int round = 0; round < 256 + 2000; ++round) {  // every byte, then random strings
    std::string text(1, static_cast<char>(round));
    if (round >= 256) {
      text.resize(random() % 40);
      for (char& c : text) c = static_cast<char>(random());
    }
    const std::string out = escaped(text);
    EXPECT_EQ(out.find_first_of(std::string_view("\n\r=[]\0", 6)), std::string::npos);
    for (size_t pos = 0; pos < out.size(); pos += utf8SequenceLength(out, pos)) {
      ASSERT_NE(utf8SequenceLength(out, pos), 0u) << out;
    }
    ASSERT_TRUE(unescapeInto(out, back)) << round;
    ASSERT_EQ(back, text) << round;
  }
  for (std::string_view bad : {"%", "%4", "abc%", "%G1", "%1g", "x%-1", "%:0", "%/0", "%@0",
                               "%`0"}) {
    EXPECT_FALSE(unescapeInto(bad, back)) << bad;
  }
  ASSERT_TRUE(unescapeInto("%3d%3D%af%AF%09", back));
  EXPECT_EQ(back, "==\xaf\xaf\x09");
}

constexpr std::string_view kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";

// Every key with its values, in order, values shown with their kinds.
std::string dump(const RegistryData& data) {
  std::string out;
  for (const auto& [key, values] : data.keys()) {
    out += "[" + key + "]";
    for (const auto& [name, value] : values) out += " " + name + "=" + shown(value);
    out += "\n";
  }
  return out;
}

RegistryData everyKindAtItsLimits() {
  RegistryData data;
  const std::string key(kKey);
  const Variant values[] = {int16_t{-32768}, int16_t{32767}, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max(), 1e-45f, 3.4028235e38f, -0.0f,
                            -std::numeric_limits<double>::infinity(), 0.1, 1.7976931348623157e308,
                            std::numeric_limits<double>::quiet_NaN(), true, false,
                            "default value of the key", "/a=b/[x]/\n\xff/%41"};
  for (size_t i = 0; i < std::size(values); ++i) data.setValue(key, "v" + std::to_string(i), values[i]);
  data.setValue(key + "\\Weird=Key[1]\n\xff", "", Variant("the key's default"));
  data.setValue(key + "\\b", "name=with\n[odd]\xfe;#", Variant(int32_t{1}));
  data.setValue("HKEY_CLASSES_ROOT\\CLSID\\{1}\\InprocServer32", "", Variant("/usr/lib/x.so"));
  data.key("HKEY_USERS\\Empty");
  return data;
}

TEST(RegistryText, EveryKindSurvivesFormatAndParse) {
  const RegistryData data = everyKindAtItsLimits();
  EXPECT_EQ(dump(parseRegistryText(formatRegistryText(data))), dump(data));
}

// Keys and values in name order without regard to case, names and text escaped.
TEST(RegistryText, WritesOneSectionPerKeyInNameOrder) {
  RegistryData data;
  data.setValue("HKEY_USERS\\B", "Path2", Variant(1.5f));
  data.setValue("HKEY_USERS\\B", "path", Variant("/a=b/"));
  data.setValue("HKEY_USERS\\a", "on", Variant(true));
  data.setValue("HKEY_USERS\\a", "N", Variant(int16_t{-2}));
  const std::string text = formatRegistryText(data);
  EXPECT_EQ(text.substr(text.find('\n')),
            "\n\n[HKEY_USERS\\a]\nN=int16:-2\non=bool:true\n"
            "\n[HKEY_USERS\\B]\npath=text:/a%3Db/\nPath2=single:1.5\n");
}

// A line that does not parse is skipped; the lines around it still load.
TEST(RegistryText, MalformedLineIsSkippedAndTheRestLoads) {
  for (std::string_view line : std::initializer_list<std::string_view>{"garbage", "Name", "Name=", "Name=int16", "Name=int16:", "Name=int16:40000",
        "Name=int16:12x", "Name=int16: 1", "Name=int32:2147483648", "Name=int32:0x10",
        "Name=single:1e39", "Name=double:1e999", "Name=double:", "Name=bool:yes", "Name=bool:True",
        "Name=text:%4", "Name=text:%G0", "Na%zme=text:x", "Name=blob:xx", "Name=Text:x", "=",
        std::string_view("\x01\x02\xff\xfe\0\x80=\xc3", 9)}) {
    const std::string text = "[" + std::string(kKey) + "]\nBefore=int16:1\n" + std::string(line) +
                             "\nAfter=text:ok\n";
    EXPECT_EQ(dump(parseRegistryText(text)), "[" + std::string(kKey) +
                                                 "] After=String ok Before=Integer 1\n")
        << line;
  }
}

// Values before any section, under a broken header or under an unknown root go nowhere;
// repeated sections merge without regard to case, the first spelling and the last value hold.
TEST(RegistryText, SectionsDecideWhereValuesGo) {
  EXPECT_EQ(dump(parseRegistryText(
                "; comment\r\nOrphan=int16:1\n[HKEY_LOCAL_MACHINE\\A]\r\nx=int16:1\ny=int16:1\n"
                "# comment\n[HKEY_LOCAL_MACHINE\\Broken\nLost=int16:3\n[HKEY_NOWHERE\\X]\nL=int16:4\n"
                "[HKEY_LOCAL_MACHINEX\\Y]\nL=int16:4\n[]\nL=int16:4\n[\nL=int16:4\n"
                "[HKEY_USERS\\%G]\nL=int16:4\n[hkey_local_machine\\a]\nX=int16:2\n"
                "[HKEY_CURRENT_USER%5CY]\nFound=text:C:\\M\\\r\n[HKEY_USERS]\nU=int16:5\n")),
            "[HKEY_CURRENT_USER\\Y] Found=String C:\\M\\\n"
            "[HKEY_LOCAL_MACHINE\\A] x=Integer 2 y=Integer 1\n[HKEY_USERS] U=Integer 5\n");
}

// A file cut at any length, as a write cut short leaves it, loads only whole values; and
// whatever a damaged file held, what is written back reads back the same.
TEST(RegistryText, CutOrDamagedFilesLoadOnlyWhatTheyReallyHold) {
  const std::string text = formatRegistryText(everyKindAtItsLimits());
  const RegistryData full = parseRegistryText(text);
  for (size_t length = 0; length <= text.size(); ++length) {
    const RegistryData cut = parseRegistryText(text.substr(0, length));
    for (const auto& [key, values] : cut.keys()) {
      for (const auto& [name, value] : values) {
        const Variant* original = full.findValue(key, name);
        ASSERT_TRUE(original && shown(*original) == shown(value)) << length;
      }
    }
  }
  for (size_t pos = 0; pos < text.size(); ++pos) {
    for (unsigned char flip : {0x01, 0x20, 0x80, 0xFF}) {
      std::string damaged = text;
      damaged[pos] = static_cast<char>(damaged[pos] ^ flip);
      const RegistryData once = parseRegistryText(damaged);
      ASSERT_EQ(dump(parseRegistryText(formatRegistryText(once))), dump(once)) << pos;
    }
  }
}

}  // namespace
}  // namespace vlm
