// The built libVLMImport.so, loaded with dlopen as a host loads it, with the public header.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits.h>

#include <array>
#include <set>

#include "../settings/SettingsTestSupport.h"
#include "platform/ClassFactory.h"
#include "platform/Dispatch.h"
#include "settings/RegFun.h"
#include "settings/SettingsStore.h"
#include "support/OrdinaryUser.h"
#include "vlmimport/VLMImport.h"

namespace vlm {
namespace {

constexpr Guid kClsid = vlmimport::kClsidCPlugIn.as<Guid>();

struct PlugIn {
  void* handle = ::dlopen(VLM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ~PlugIn() {
    if (handle) ::dlclose(handle);
  }
  HResult operator()(const char* entry) const {
    return reinterpret_cast<HResult (*)()>(::dlsym(handle, entry))();
  }
  HResult getClassObject(const Guid* clsid, IClassFactory** factory) const {
    return reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"))(clsid,
                                                                                       factory);
  }
};

TEST(EntryPoints, LibraryExportsExactlyTheFourEntryPointsAndThePreselection) {
  FILE* nm = ::popen((std::string("nm -D --defined-only ") + VLM_PLUGIN_PATH).c_str(), "r");
  std::set<std::string> exported;
  char type = 0, name[900] = {}, line[1024];
  while (std::fgets(line, sizeof line, nm)) {
    if (std::sscanf(line, "%*x %c %899s", &type, name) == 2 && type != 'A') exported.insert(name);
  }
  ASSERT_EQ(::pclose(nm), 0);
  EXPECT_EQ(exported,
            (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                   "DllUnregisterServer", "VLMImportPreselect"}));
}

// A refused class leaves no stale pointer; an object's failure crosses the library's
// boundary as a result; a surplus unlock must not let the library go while locked.
TEST(EntryPoints, ClassObjectAndUnloading) {
  PlugIn plugIn;
  ASSERT_NE(plugIn.handle, nullptr) << ::dlerror();
  Guid almost = kClsid;
  almost.data4[7] ^= 1;
  IClassFactory* factory = nullptr;
  const Guid iid = vlmimport::kIidCPlugIn.as<Guid>();
  for (const Guid* clsid : std::initializer_list<const Guid*>{&iid, &almost, nullptr}) {
    factory = reinterpret_cast<IClassFactory*>(&almost);
    EXPECT_EQ(plugIn.getClassObject(clsid, &factory), hr::kClassNotAvailable);
    EXPECT_EQ(factory, nullptr);
  }
  EXPECT_EQ(plugIn.getClassObject(&kClsid, nullptr), hr::kInvalidArg);
  ASSERT_EQ(plugIn.getClassObject(&kClsid, &factory), hr::kOk);
  factory->LockServer(false);
  EXPECT_EQ(plugIn("DllCanUnloadNow"), hr::kOk);

  ObjectRef object;
  ASSERT_EQ(factory->CreateInstance(object), hr::kOk);
  EXPECT_EQ(plugIn("DllCanUnloadNow"), hr::kFalse);
  std::array<Variant, 1> args{Variant(int16_t{5})};
  ErrorInfo error;
  EXPECT_EQ(
      object->invoke(vlmimport::kDispIdExecutePlugIn, InvokeKind::Method, args, nullptr, &error),
      hr::kException);
  EXPECT_EQ(std::tie(error.number, error.description),
            std::tuple(err::kObjectRequired, "Object required"));
  object.reset();
  EXPECT_EQ(plugIn("DllCanUnloadNow"), hr::kOk);
  EXPECT_EQ(factory->LockServer(true), hr::kOk);
  EXPECT_EQ(plugIn("DllCanUnloadNow"), hr::kFalse);
  factory->LockServer(false);
  ASSERT_EQ(plugIn("DllCanUnloadNow"), hr::kOk);
  ::dlclose(std::exchange(plugIn.handle, nullptr));
  EXPECT_EQ(::dlopen(VLM_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
}

// What a host finds under HKEY_CLASSES_ROOT; unregistering removes all of it and leaves
// the dialog's own settings alone. Repeating either is no failure.
TEST(EntryPoints, RegistrationWritesTheClassAndUnregisterRemovesIt) {
  test::TempConfigHome home;
  const char* settings = "SOFTWARE\\Hollavent\\VLMImport";
  setRegistryValue(RegistryRoot::LocalMachine, settings, "FileFormat", Variant(int16_t{2}));
  const PlugIn plugIn;
  for (int run = 0; run < 2; ++run) ASSERT_EQ(plugIn("DllRegisterServer"), hr::kOk);
  char library[PATH_MAX];
  ASSERT_NE(::realpath(VLM_PLUGIN_PATH, library), nullptr);
  const std::string clsid = "CLSID\\{4ABD3CBA-CD5C-4934-850D-5973E14C6BF5}";
  const std::string iid = "Interface\\{70355694-7822-49B6-AA0D-0F412490A358}";
  const std::string libid = "{C9F2C1C8-220F-4945-9720-1070FB0907B3}";
  const std::string typeLib = "TypeLib\\" + libid;
  const std::tuple<std::string, const char*, std::string> values[] = {
      {clsid + "\\InprocServer32", "", library},
      {clsid + "\\ProgID", "", "VLMImport.CPlugIn"},
      {"VLMImport.CPlugIn\\CLSID", "", clsid.substr(6)},
      {iid, "", "_CPlugIn"},
      {iid + "\\TypeLib", "Version", "1.0"},
      {typeLib + "\\1.0", "", "VLMImport"},
  };
  for (const auto& [key, name, value] : values) {
    const auto stored = readRegistryValue(RegistryRoot::ClassesRoot, key, name);
    EXPECT_EQ(stored ? stored->toString() : "(none)", value) << key << " " << name;
  }
  for (int run = 0; run < 2; ++run) EXPECT_EQ(plugIn("DllUnregisterServer"), hr::kOk);
  for (const std::string& key : {clsid, std::string("VLMImport.CPlugIn"), iid, typeLib}) {
    EXPECT_FALSE(registryKeyExists(RegistryRoot::ClassesRoot, key)) << key;
  }
  EXPECT_EQ(readRegistryValue(RegistryRoot::LocalMachine, settings, "FileFormat")->toInteger(), 2);
}

// The preselection stores the format's list position and the file's folder (either
// separator) where the dialog looks for its last choices; an unknown format, a file
// without a folder or no file changes nothing; without the settings component it fails.
TEST(EntryPoints, PreselectedFileBecomesTheDialogsLastChoice) {
  test::TempConfigHome home;
  registerSettingsComponent();
  PlugIn plugIn;
  ASSERT_NE(plugIn.handle, nullptr) << ::dlerror();
  const auto preselect =
      reinterpret_cast<vlmimport::PreselectFn>(::dlsym(plugIn.handle, vlmimport::kPreselect));
  ASSERT_NE(preselect, nullptr);
  const std::pair<const char*, const char*> refused[] = {
      {"/m/a.stl", "stl"}, {"a.obj", "obj"}, {"/m/a.obj", nullptr}, {nullptr, "obj"}};
  for (const auto& [file, extension] : refused) {
    EXPECT_EQ(preselect(file, extension), hr::kInvalidArg) << (file ? file : "no file");
  }
  const std::string key = "SOFTWARE\\Hollavent\\VLMImport";
  EXPECT_FALSE(registryKeyExists(RegistryRoot::LocalMachine, key));
  const std::tuple<const char*, const char*, int, const char*, const char*> cases[] = {
      {"/models/Big cube.dxf", "dxf", 1, "DXF", "/models/"},
      {"C:\\Models\\Big cube.3ds", "3DS", 2, "3DS", "C:\\Models\\"},
      {"/a/b.inc", "Inc", 3, "INC", "/a/"}};
  for (const auto& [file, extension, position, sub, folder] : cases) {
    ASSERT_EQ(preselect(file, extension), hr::kOk) << file;
    const auto format = readRegistryValue(RegistryRoot::LocalMachine, key, "FileFormat");
    const auto path = readRegistryValue(RegistryRoot::LocalMachine, key + "\\" + sub, "Path");
    ASSERT_TRUE(format && path) << file;
    EXPECT_EQ(std::tuple(format->type(), int{format->toInteger()}, path->toString()),
              std::tuple(VarType::Integer, position, std::string(folder)));
  }
  unregisterSettingsComponent();
  EXPECT_EQ(preselect("/m/a.obj", "obj"), hr::kFail);
}

TEST(EntryPoints, RegisterReportsAStoreThatCannotBeWritten) {
  test::TempConfigHome home;
  ::chmod(home.folder().c_str(), 0555);
  const PlugIn plugIn;
  const test::OrdinaryUser user;
  if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
  EXPECT_EQ(static_cast<uint32_t>(plugIn("DllRegisterServer")), 0x80070005u);  // access denied
}

}  // namespace
}  // namespace vlm
