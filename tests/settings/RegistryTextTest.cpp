#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "SettingsTestSupport.h"
#include "settings/RegistryText.h"

namespace vlm {
namespace {

using test::sameValue;

constexpr std::string_view kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";

// Same keys, same value names, same values (kind and bits).
::testing::AssertionResult sameData(const RegistryData& actual, const RegistryData& expected) {
  if (actual.keys().size() != expected.keys().size()) {
    return ::testing::AssertionFailure()
           << actual.keys().size() << " keys, expected " << expected.keys().size();
  }
  for (const auto& [keyName, values] : expected.keys()) {
    const RegistryValues* found = actual.findKey(keyName);
    if (!found || found->size() != values.size()) {
      return ::testing::AssertionFailure() << "key " << keyName << " differs";
    }
    for (const auto& [name, value] : values) {
      const Variant* other = actual.findValue(keyName, name);
      if (!other) return ::testing::AssertionFailure() << "no value " << name;
      if (auto same = sameValue(*other, value); !same) return same << " (" << name << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

RegistryData everyKindAtItsLimits() {
  RegistryData data;
  const std::string key(kKey);
  data.setValue(key, "i16min", Variant(std::numeric_limits<int16_t>::min()));
  data.setValue(key, "i16max", Variant(std::numeric_limits<int16_t>::max()));
  data.setValue(key, "i32min", Variant(std::numeric_limits<int32_t>::min()));
  data.setValue(key, "i32max", Variant(std::numeric_limits<int32_t>::max()));
  data.setValue(key, "tiny", Variant(std::numeric_limits<float>::denorm_min()));
  data.setValue(key, "big", Variant(std::numeric_limits<float>::max()));
  data.setValue(key, "negzero", Variant(-0.0f));
  data.setValue(key, "inf", Variant(-std::numeric_limits<double>::infinity()));
  data.setValue(key, "tenth", Variant(0.1));
  data.setValue(key, "huge", Variant(1.7976931348623157e308));
  data.setValue(key, "yes", Variant(true));
  data.setValue(key, "no", Variant(false));
  data.setValue(key, "", Variant("default value of the key"));
  data.setValue(key + "\\OBJ", "Path", Variant(std::string("/a=b/[x]/\n\xff/%41")));
  data.setValue(std::string("HKEY_CLASSES_ROOT\\CLSID\\{1}\\InprocServer32"), "",
                Variant("/usr/lib/libVLMImport.so"));
  data.key("HKEY_USERS\\Empty");
  return data;
}

TEST(RegistryText, EveryKindSurvivesFormatAndParse) {
  const RegistryData data = everyKindAtItsLimits();
  EXPECT_TRUE(sameData(parseRegistryText(formatRegistryText(data)), data));
}

TEST(RegistryText, NotANumberStaysNotANumber) {
  RegistryData data;
  data.setValue(kKey, "nan", Variant(std::numeric_limits<double>::quiet_NaN()));
  const RegistryData parsed = parseRegistryText(formatRegistryText(data));
  const Variant* back = parsed.findValue(kKey, "nan");
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->type(), VarType::Double);
  EXPECT_TRUE(std::isnan(back->get<double>()));
}

TEST(RegistryText, KeysAreWrittenAsReadableSections) {
  RegistryData data;
  data.setValue(std::string(kKey) + "\\OBJ", "Path", Variant("/data/"));
  const std::string text = formatRegistryText(data);
  EXPECT_NE(
      text.find("\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\OBJ]\nPath=text:/data/\n"),
      std::string::npos)
      << text;
}

class MalformedLine : public ::testing::TestWithParam<std::string_view> {};

TEST_P(MalformedLine, IsSkippedAndTheRestStillLoads) {
  const std::string text = "[" + std::string(kKey) + "]\nBefore=int16:1\n" +
                           std::string(GetParam()) + "\nAfter=text:ok\n";
  RegistryData expected;
  expected.setValue(kKey, "Before", Variant(int16_t{1}));
  expected.setValue(kKey, "After", Variant("ok"));
  EXPECT_TRUE(sameData(parseRegistryText(text), expected));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MalformedLine,
    ::testing::Values("garbage", "Name", "Name=", "Name=int16", "Name=int16:", "Name=int16:40000",
                      "Name=int16:12x", "Name=int16: 1", "Name=int32:2147483648", "Name=int32:0x10",
                      "Name=single:1e39", "Name=double:1e999", "Name=double:", "Name=bool:yes",
                      "Name=text:%4", "Name=text:%G0", "Na%zme=text:x", "Name=blob:xx", "=",
                      std::string_view("\x01\x02\xff\xfe\0\x80=\xc3", 9)));

TEST(RegistryText, ValuesAfterABrokenOrUnknownSectionGoNowhere) {
  const std::string text =
      "Orphan=int16:1\n[" + std::string(kKey) +
      "]\nKept=int16:2\n[HKEY_LOCAL_MACHINE\\Broken\nLost=int16:3\n"
      "[HKEY_NOWHERE\\X]\nAlsoLost=int16:4\n[HKEY_CURRENT_USER\\Y]\nFound=int16:5\n";
  RegistryData expected;
  expected.setValue(kKey, "Kept", Variant(int16_t{2}));
  expected.setValue("HKEY_CURRENT_USER\\Y", "Found", Variant(int16_t{5}));
  EXPECT_TRUE(sameData(parseRegistryText(text), expected));
}

TEST(RegistryText, RepeatedSectionsMergeIgnoringCaseAndTheLastValueHolds) {
  const RegistryData data = parseRegistryText(
      "[HKEY_LOCAL_MACHINE\\Software\\A]\nx=int16:1\ny=int16:1\n"
      "[hkey_local_machine\\SOFTWARE\\a]\nX=int16:2\n");
  ASSERT_EQ(data.keys().size(), 1u);
  EXPECT_EQ(data.keys().begin()->first, "HKEY_LOCAL_MACHINE\\Software\\A");  // first spelling
  EXPECT_TRUE(
      sameValue(*data.findValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\A", "x"), Variant(int16_t{2})));
  EXPECT_EQ(data.findKey("HKEY_LOCAL_MACHINE\\software\\a")->size(), 2u);
}

TEST(RegistryText, CrLfLineEndsAndCommentsAreAccepted) {
  RegistryData expected;
  expected.setValue("HKEY_LOCAL_MACHINE\\K", "Path", Variant("C:\\M\\"));
  EXPECT_TRUE(
      sameData(parseRegistryText("; written by hand\r\n# another "
                                 "note\r\n[HKEY_LOCAL_MACHINE\\K]\r\nPath=text:C:\\M\\\r\n"),
               expected));
}

// A file cut at any length loads a subset of the full file's values, unchanged.
TEST(RegistryText, EveryTruncationLoadsOnlyWholeValues) {
  const std::string text = formatRegistryText(everyKindAtItsLimits());
  const RegistryData full = parseRegistryText(text);
  for (size_t length = 0; length <= text.size(); ++length) {
    const RegistryData cut = parseRegistryText(std::string_view(text).substr(0, length));
    for (const auto& [keyName, values] : cut.keys()) {
      for (const auto& [name, value] : values) {
        const Variant* original = full.findValue(keyName, name);
        ASSERT_NE(original, nullptr) << length;
        ASSERT_TRUE(sameValue(value, *original)) << length;
      }
    }
  }
}

// Whatever a damaged file held, what is written back reads back the same.
TEST(RegistryText, EveryFlippedByteStillGivesAStableRegistry) {
  const std::string text = formatRegistryText(everyKindAtItsLimits());
  for (size_t pos = 0; pos < text.size(); ++pos) {
    for (unsigned char flip : {0x01, 0x20, 0x80, 0xFF}) {
      std::string damaged = text;
      damaged[pos] = static_cast<char>(damaged[pos] ^ flip);
      const RegistryData once = parseRegistryText(damaged);
      ASSERT_TRUE(sameData(parseRegistryText(formatRegistryText(once)), once)) << pos;
    }
  }
}

}  // namespace
}  // namespace vlm
