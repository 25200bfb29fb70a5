// The built libVLMImport.so, loaded with dlopen as a host loads it: what it exports and
// what its four entry points do.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <set>
#include <string>

#include "../settings/SettingsTestSupport.h"
#include "platform/ClassFactory.h"
#include "platform/Dispatch.h"
#include "settings/SettingsStore.h"
#include "shell/VLMImportIds.h"
#include "support/OrdinaryUser.h"

namespace vlm {
namespace {

using namespace vlmimport;

// One dlopen of the plug-in for one test, closed again at its end.
class LoadedPlugIn {
 public:
  LoadedPlugIn() : handle_(::dlopen(VLM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) throw std::runtime_error(::dlerror());
  }
  ~LoadedPlugIn() {
    if (handle_) ::dlclose(handle_);
  }
  template <class Fn>
  Fn entry(const char* name) const {
    void* symbol = ::dlsym(handle_, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("missing ") + name);
    return reinterpret_cast<Fn>(symbol);
  }
  HResult getClassObject(const Guid& clsid, IClassFactory** factory) const {
    return entry<DllGetClassObjectFn>("DllGetClassObject")(&clsid, factory);
  }
  HResult canUnloadNow() const { return entry<DllCanUnloadNowFn>("DllCanUnloadNow")(); }
  HResult registerServer() const { return entry<DllRegisterServerFn>("DllRegisterServer")(); }
  HResult unregisterServer() const { return entry<DllUnregisterServerFn>("DllUnregisterServer")(); }
  ObjectRef create() const {
    IClassFactory* factory = nullptr;
    if (getClassObject(kClsidCPlugIn, &factory) != hr::kOk) throw std::runtime_error("no factory");
    ObjectRef object;
    if (factory->CreateInstance(object) != hr::kOk) throw std::runtime_error("no object");
    return object;
  }
  void close() {
    ::dlclose(handle_);
    handle_ = nullptr;
  }

 private:
  void* handle_;
};

std::optional<std::string> defaultValue(const std::string& subKey) {
  auto value = readRegistryValue(RegistryRoot::ClassesRoot, subKey, "");
  if (!value) return std::nullopt;
  return value->toString();
}

TEST(EntryPoints, LibraryExportsExactlyTheFourEntryPoints) {
  const std::string command = std::string("nm -D --defined-only '") + VLM_PLUGIN_PATH + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe)) {
    char type = 0;
    char name[900] = {};
    unsigned long long address = 0;
    if (std::sscanf(line, "%llx %c %899s", &address, &type, name) == 3 && type != 'A') {
      exported.insert(name);
    }
  }
  ASSERT_EQ(::pclose(pipe), 0);
  EXPECT_EQ(exported, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                             "DllRegisterServer", "DllUnregisterServer"}));
}

TEST(EntryPoints, ClassObjectOnlyForCPlugInsClassIdAndItsObjectAnswersByName) {
  LoadedPlugIn plugIn;
  // A refused call must leave no stale pointer behind.
  IClassFactory* factory = reinterpret_cast<IClassFactory*>(&plugIn);
  EXPECT_EQ(plugIn.getClassObject(kIidCPlugIn, &factory), hr::kClassNotAvailable);
  EXPECT_EQ(factory, nullptr);
  Guid almost = kClsidCPlugIn;
  almost.data4[7] ^= 1;
  EXPECT_EQ(plugIn.getClassObject(almost, &factory), hr::kClassNotAvailable);
  EXPECT_EQ(plugIn.entry<DllGetClassObjectFn>("DllGetClassObject")(nullptr, &factory),
            hr::kClassNotAvailable);

  ObjectRef object = plugIn.create();
  EXPECT_EQ(object->memberId("Name"), kDispIdName);
  EXPECT_EQ(object->memberId("PlugInType"), kDispIdPlugInType);
  EXPECT_EQ(object->memberId("ExecutePlugIn"), kDispIdExecutePlugIn);
  EXPECT_EQ(object->memberId("SelectedObject"), kDispIdSelectedObject);
  EXPECT_EQ(invokeByName(*object, "Name", InvokeKind::PropertyGet, {}).toString(),
            "Import Object v1.5");
  EXPECT_EQ(invokeByName(*object, "PlugInType", InvokeKind::PropertyGet, {}).toLong(), 3);
  EXPECT_EQ(invokeByName(*object, "SelectedObject", InvokeKind::PropertyGet, {}).toLong(), 0);
  // ExecutePlugIn with a number: the error crosses the library's boundary.
  std::array<Variant, 1> args{Variant(int16_t{5})};
  args[0].byRef();
  Variant result;
  ErrorInfo error;
  EXPECT_EQ(object->invoke(kDispIdExecutePlugIn, InvokeKind::Method, args, &result, &error),
            hr::kException);
  EXPECT_EQ(error.number, err::kObjectRequired);
  EXPECT_EQ(error.description, "Object required");
}

TEST(EntryPoints, UnloadsOnlyWithoutLiveObjectsAndLocksAndThenReally) {
  LoadedPlugIn plugIn;
  EXPECT_EQ(plugIn.canUnloadNow(), hr::kOk);
  {
    ObjectRef object = plugIn.create();
    ObjectRef second = object;
    EXPECT_EQ(plugIn.canUnloadNow(), hr::kFalse);
    object.reset();
    EXPECT_EQ(plugIn.canUnloadNow(), hr::kFalse);
  }
  EXPECT_EQ(plugIn.canUnloadNow(), hr::kOk);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(plugIn.getClassObject(kClsidCPlugIn, &factory), hr::kOk);
  EXPECT_EQ(factory->LockServer(true), hr::kOk);
  EXPECT_EQ(plugIn.canUnloadNow(), hr::kFalse);
  EXPECT_EQ(factory->LockServer(false), hr::kOk);
  ASSERT_EQ(plugIn.canUnloadNow(), hr::kOk);
  plugIn.close();
  EXPECT_EQ(::dlopen(VLM_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(EntryPoints, RegisterWritesTheClassAndUnregisterRemovesAllOfIt) {
  test::TempConfigHome home;
  setRegistryValue(RegistryRoot::LocalMachine, "SOFTWARE\\Hollavent\\VLMImport", "FileFormat",
                   Variant(int16_t{2}));
  LoadedPlugIn plugIn;
  ASSERT_EQ(plugIn.registerServer(), hr::kOk);

  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(VLM_PLUGIN_PATH, resolved), nullptr);
  const std::string clsid = toString(kClsidCPlugIn);
  const std::string iid = toString(kIidCPlugIn);
  const std::string libid = toString(kLibidVLMImport);
  EXPECT_EQ(clsid, "{4ABD3CBA-CD5C-4934-850D-5973E14C6BF5}");
  EXPECT_EQ(defaultValue("CLSID\\" + clsid + "\\InprocServer32"), std::string(resolved));
  EXPECT_EQ(defaultValue("CLSID\\" + clsid + "\\ProgID"), "VLMImport.CPlugIn");
  EXPECT_EQ(defaultValue("VLMImport.CPlugIn\\CLSID"), clsid);
  EXPECT_EQ(defaultValue("Interface\\" + iid), "_CPlugIn");
  EXPECT_EQ(defaultValue("TypeLib\\" + libid + "\\1.0"), "VLMImport");

  // Registering twice changes nothing; unregistering removes every key written.
  ASSERT_EQ(plugIn.registerServer(), hr::kOk);
  ASSERT_EQ(plugIn.unregisterServer(), hr::kOk);
  for (const std::string& key : {"CLSID\\" + clsid, std::string("VLMImport.CPlugIn"),
                                 "Interface\\" + iid, "TypeLib\\" + libid}) {
    EXPECT_FALSE(registryKeyExists(RegistryRoot::ClassesRoot, key)) << key;
  }
  // The dialog's own settings are not the registration's.
  EXPECT_EQ(
      readRegistryValue(RegistryRoot::LocalMachine, "SOFTWARE\\Hollavent\\VLMImport", "FileFormat")
          ->toInteger(),
      2);
  EXPECT_EQ(plugIn.unregisterServer(), hr::kOk);  // nothing left to remove is no failure
}

TEST(EntryPoints, RegisterReportsAStoreThatCannotBeWritten) {
  test::TempConfigHome home;
  ::chmod(home.folder().c_str(), 0555);
  LoadedPlugIn plugIn;
  HResult result;
  {
    const test::OrdinaryUser user;
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    result = plugIn.registerServer();
  }
  ::chmod(home.folder().c_str(), 0700);
  EXPECT_NE(result, hr::kOk);
  EXPECT_LT(result, 0);
}

}  // namespace
}  // namespace vlm
