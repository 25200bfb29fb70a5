#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "SettingsTestSupport.h"
#include "platform/ObjectRegistry.h"
#include "settings/RegFun.h"

namespace vlm {
namespace {

using test::errorOf;
using test::sameValue;
using test::TempConfigHome;

// HKEY_LOCAL_MACHINE as the dialog passes it: a 32-bit Long, hence negative.
const Variant kMachine(static_cast<int32_t>(0x80000002u));
constexpr std::string_view kBase = "SOFTWARE\\Hollavent\\VLMImport";
constexpr std::string_view kObj = "SOFTWARE\\Hollavent\\VLMImport\\OBJ";

// Each call creates and releases its own component, as the dialog does.
Variant readValue(const Variant& root, std::string_view subKey, std::string_view name,
                  const Variant& fallback) {
  registerSettingsComponent();
  ObjectRef settings = createObject("RegServer.RegFun");
  Variant args[] = {root, Variant(subKey), Variant(name), fallback};
  return invokeByName(*settings, "ReadValue", InvokeKind::Method, args);
}

void writeValue(const Variant& root, std::string_view subKey, std::string_view name,
                const Variant& value) {
  registerSettingsComponent();
  ObjectRef settings = createObject("RegServer.RegFun");
  Variant args[] = {root, Variant(subKey), Variant(name), value};
  invokeByName(*settings, "WriteValue", InvokeKind::Method, args);
}

// Reading `name` under HKEY_LOCAL_MACHINE\`subKey` with `fallback` gives `expected`.
::testing::AssertionResult reads(std::string_view subKey, std::string_view name,
                                 const Variant& fallback, const Variant& expected) {
  return sameValue(readValue(kMachine, subKey, name, fallback), expected);
}

TEST(RegFun, DialogSettingsReadBackAsWrittenAndMissingOnesGiveTheDefault) {
  TempConfigHome home;
  EXPECT_TRUE(reads(kBase, "FileFormat", Variant(int16_t{0}), Variant(int16_t{0})));
  writeValue(kMachine, kBase, "FileFormat", Variant(int16_t{3}));
  writeValue(kMachine, kObj, "Path", Variant("/home/me/Models/"));
  EXPECT_TRUE(reads(kBase, "FileFormat", Variant(int16_t{0}), Variant(int16_t{3})));
  EXPECT_TRUE(reads(kObj, "Path", Variant("/opt/plugin/"), Variant("/home/me/Models/")));
  // Each format keeps its own folder; the format number is not one of them.
  EXPECT_TRUE(reads(std::string(kBase) + "\\DXF", "Path", Variant("/lib/"), Variant("/lib/")));
  EXPECT_TRUE(reads(kObj, "FileFormat", Variant(int16_t{0}), Variant(int16_t{0})));
  EXPECT_TRUE(reads(kBase, "Other", Variant(int16_t{9}), Variant(int16_t{9})));
  EXPECT_TRUE(readValue(kMachine, kBase, "Other", Variant::missing()).isEmpty());
  // The default is not stored by reading it.
  EXPECT_EQ(home.readFile().find("Other"), std::string::npos);
}

class StoredKind : public ::testing::TestWithParam<Variant> {};

TEST_P(StoredKind, ComesBackOfTheSameKindNotTheDefaults) {
  TempConfigHome home;
  writeValue(kMachine, kBase, "Value", GetParam());
  EXPECT_TRUE(sameValue(readValue(kMachine, kBase, "Value", Variant("default")), GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Kinds, StoredKind,
                         ::testing::Values(Variant(int16_t{-1}), Variant(int16_t{32767}),
                                           Variant(int16_t{-32768}), Variant(int32_t{5}),
                                           Variant(int32_t{-2147483647 - 1}),
                                           Variant(int32_t{2147483647}), Variant(1.1f),
                                           Variant(-0.1), Variant(true), Variant(false),
                                           Variant(""), Variant("12"), Variant("  spaced  ")));

TEST(RegFun, SubKeysAndValueNamesIgnoreCase) {
  TempConfigHome home;
  writeValue(kMachine, "software\\HOLLAVENT\\vlmimport\\obj", "path", Variant("/x/"));
  EXPECT_TRUE(reads(kObj, "Path", Variant(""), Variant("/x/")));
  writeValue(kMachine, kObj, "PATH", Variant("/y/"));
  EXPECT_TRUE(reads(kObj, "Path", Variant(""), Variant("/y/")));
  const std::string text = home.readFile();
  EXPECT_EQ(text.find("path="), text.rfind("path="));  // one value, not two
}

TEST(RegFun, RootArrivesAsAnyNumericKind) {
  TempConfigHome home;
  writeValue(Variant(2147483650.0), kBase, "FileFormat", Variant(int16_t{2}));
  for (const Variant& root :
       {kMachine, Variant(2147483650.0), Variant(-2147483646.0), Variant("2147483650")}) {
    EXPECT_TRUE(
        sameValue(readValue(root, kBase, "FileFormat", Variant(int16_t{0})), Variant(int16_t{2})))
        << root.toString();
  }
  // Another root is another tree.
  const Variant currentUser(static_cast<int32_t>(0x80000001u));
  EXPECT_TRUE(sameValue(readValue(currentUser, kBase, "FileFormat", Variant(int16_t{0})),
                        Variant(int16_t{0})));
}

TEST(RegFun, UnknownRootIsAnInvalidCallAndWritesNothing) {
  TempConfigHome home;
  for (const Variant& root :
       {Variant(int32_t{0}), Variant(int16_t{2}), Variant(static_cast<int32_t>(0x80000004u)),
        Variant(2147483650.5), Variant(true), Variant()}) {
    EXPECT_EQ(errorOf([&] { writeValue(root, kBase, "FileFormat", Variant(int16_t{1})); }),
              err::kInvalidCall)
        << root.toString();
    EXPECT_EQ(errorOf([&] { readValue(root, kBase, "FileFormat", Variant(int16_t{0})); }),
              err::kInvalidCall)
        << root.toString();
  }
  EXPECT_EQ(errorOf([&] { writeValue(Variant("HKLM"), kBase, "X", Variant(int16_t{1})); }),
            err::kTypeMismatch);
  EXPECT_FALSE(std::filesystem::exists(home.filePath()));
}

TEST(RegFun, UnstorableValueIsTypeMismatchFromTheComponentAndWritesNothing) {
  TempConfigHome home;
  registerSettingsComponent();
  std::vector<int32_t> array{1, 2};
  for (const Variant& value : {Variant(), Variant::missing(), Variant(ObjectRef()),
                               Variant(createObject("RegServer.RegFun")), Variant(&array)}) {
    try {
      writeValue(kMachine, kBase, "Bad", value);
      ADD_FAILURE() << typeName(value.type()) << " was stored";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::kTypeMismatch);
      EXPECT_EQ(e.source(), "RegServer.RegFun");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(home.filePath()));
}

TEST(RegFun, WrongArgumentCountIsReported) {
  TempConfigHome home;
  registerSettingsComponent();
  ObjectRef settings = createObject("RegServer.RegFun");
  Variant three[] = {kMachine, Variant(kBase), Variant("FileFormat")};
  EXPECT_EQ(errorOf([&] { invokeByName(*settings, "WriteValue", InvokeKind::Method, three); }),
            err::kWrongArgCount);
  EXPECT_EQ(errorOf([&] {
              invokeByName(*settings, "ReadValue", InvokeKind::Method, std::span(three, 2));
            }),
            err::kWrongArgCount);
}

TEST(RegFun, TextWithAnyBytesRoundTrips) {
  TempConfigHome home;
  const std::vector<std::string> texts = {"line one\nline two\r\nthree",
                                          "a=b==c",
                                          "[HKEY_LOCAL_MACHINE\\Fake]",
                                          "100%",
                                          "%41 stays",
                                          "\xff\xfe not UTF-8 \xc3",
                                          std::string("nul\0inside", 10),
                                          "C:\\Models\\",
                                          "; not a comment",
                                          "# nor this",
                                          "Gr\xc3\xbc\xc3\x9f"
                                          "e \xe2\x82\xac",
                                          "trailing\r"};
  for (size_t i = 0; i < texts.size(); ++i) {
    writeValue(kMachine, kObj, "Path" + std::to_string(i), Variant(texts[i]));
  }
  writeValue(kMachine, "Weird=Key[1]\n\xff", "name=with\n[odd]\xfe", Variant("v"));
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_TRUE(reads(kObj, "Path" + std::to_string(i), Variant(), Variant(texts[i]))) << i;
  }
  EXPECT_TRUE(reads("Weird=Key[1]\n\xff", "name=with\n[odd]\xfe", Variant(), Variant("v")));
}

TEST(RegFun, UnregisteredComponentCannotBeCreated) {
  registerSettingsComponent();
  EXPECT_TRUE(isClassRegistered("regserver.regfun"));
  unregisterSettingsComponent();
  EXPECT_EQ(errorOf([] { createObject("RegServer.RegFun"); }), err::kCantCreateObject);
  registerSettingsComponent();
  EXPECT_NE(createObject("RegServer.RegFun"), nullptr);
}

}  // namespace
}  // namespace vlm
