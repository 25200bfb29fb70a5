// The settings file's text: escaping, sections of typed values read back exactly, and
// damaged text read leniently.
#include <gtest/gtest.h>

#include <limits>

#include "SettingsTestSupport.h"
#include "settings/RegistryText.h"
#include "settings/TextEscape.h"

namespace vlm {
namespace {

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
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},  // U+10000, last
      {"\xC3", "%C3"}, {"\xC3(", "%C3("}, {"\x80x", "%80x"}, {"\xC1\xBF", "%C1%BF"},
      {"\xE0\x9F\xBF", "%E0%9F%BF"}, {"\xED\xA0\x80", "%ED%A0%80"}, {"\xED\xBF\xBF", "%ED%BF%BF"},
      {"\xF0\x8F\xBF\xBF", "%F0%8F%BF%BF"}, {"\xF4\x90\x80\x80", "%F4%90%80%80"},
      {"\xF5\x80\x80\x80", "%F5%80%80%80"}, {"\xFF\xFE", "%FF%FE"}};
  std::string back;
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(escaped(text), expected);
    EXPECT_TRUE(unescapeInto(expected, back) && back == text) << expected;
  }
}

TEST(TextEscape, BrokenEscapesAreRejectedAndEitherCaseOfHexIsRead) {
  std::string back;
  for (const char* bad : {"%", "%4", "abc%", "%G1", "%1g", "x%-1", "%:0", "%/0", "%@0", "%`0"}) {
    EXPECT_FALSE(unescapeInto(bad, back)) << bad;
  }
  ASSERT_TRUE(unescapeInto("%3d%3D%af%AF%09%00", back));
  EXPECT_EQ(back, std::string("==\xaf\xaf\x09\0", 6));
}

// Every key with its values, in order, each value with its kind.
std::string dump(const RegistryData& data) {
  std::string out;
  for (const auto& [key, values] : data.keys()) {
    out += "[" + key + "]";
    for (const auto& [name, value] : values) out += " " + name + "=" + test::shown(value);
    out += "\n";
  }
  return out;
}

TEST(RegistryText, EveryKindAndAnyNameSurvivesFormatAndParse) {
  RegistryData data;
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";
  using Double = std::numeric_limits<double>;
  const Variant values[] = {int16_t{-32768}, int16_t{32767}, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max(), 1e-45f, 3.4028235e38f, -0.0f,
                            -Double::infinity(), 0.1, Double::max(), Double::quiet_NaN(), true,
                            false, "", "/a=b/[x]/\n\xff/%41"};
  for (size_t i = 0; i < std::size(values); ++i) data.setValue(key, std::to_string(i), values[i]);
  data.setValue(key + "\\Weird=Key[1]\n\xff", "", Variant("the key's default"));
  data.setValue(key + "\\b", "name=with\n[odd]\xfe;#", Variant(int32_t{1}));
  data.key("HKEY_USERS\\Empty");
  EXPECT_EQ(dump(parseRegistryText(formatRegistryText(data))), dump(data));
}

TEST(RegistryText, MalformedLineIsSkippedAndTheRestLoads) {
  for (std::string_view line : std::initializer_list<std::string_view>{
           "garbage", "Name", "Name=", "Name=int16", "Name=int16:", "Name=int16:40000",
           "Name=int16:12x", "Name=int16: 1", "Name=int32:2147483648", "Name=int32:0x10",
           "Name=single:1e39", "Name=double:1e999", "Name=double:", "Name=bool:yes",
           "Name=bool:True", "Name=text:%4", "Name=text:%G0", "Na%zme=text:x", "Name=blob:xx",
           "Name=Text:x", "=", {"\x01\x02\xff\xfe\0\x80=\xc3", 9}}) {
    EXPECT_EQ(dump(parseRegistryText("[HKEY_USERS]\nBefore=int16:1\n" + std::string(line) +
                                     "\nAfter=text:ok\n")),
              "[HKEY_USERS] After=String ok Before=Integer 1\n")
        << line;
  }
}

// Values before any section, under a broken header or an unknown root go nowhere, and so
// does a last line cut short; repeated sections merge without regard to case, the first
// spelling and the last value hold.
TEST(RegistryText, SectionsDecideWhereValuesGo) {
  EXPECT_EQ(dump(parseRegistryText(
                "; comment\r\nOrphan=int16:1\n[HKEY_LOCAL_MACHINE\\A]\r\nx=int16:1\ny=int16:1\n"
                "# comment\n[HKEY_LOCAL_MACHINE\\Broken\nL=int16:3\n[HKEY_NOWHERE\\X]\nL=int16:4\n"
                "[HKEY_LOCAL_MACHINEX\\Y]\nL=int16:4\n[]\nL=int16:4\n[\nL=int16:4\n"
                "[HKEY_USERS\\%G]\nL=int16:4\n[hkey_local_machine\\a]\nX=int16:2\n"
                "[HKEY_CURRENT_USER%5CY]\nFound=text:C:\\M\\\r\n[HKEY_USERS]\nU=int16:5\nCut=int16:6")),
            "[HKEY_CURRENT_USER\\Y] Found=String C:\\M\\\n"
            "[HKEY_LOCAL_MACHINE\\A] x=Integer 2 y=Integer 1\n[HKEY_USERS] U=Integer 5\n");
}

}  // namespace
}  // namespace vlm
