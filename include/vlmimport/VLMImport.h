// What a host needs to find, create and drive the VLMImport plug-in: the library's file
// name, the ProgID and ids of its class CPlugIn, the dispatch ids of CPlugIn's members
// and the names of the functions the library exports. The plug-in's own code takes them
// from here too.
//
// Standard C++ alone: ids are given as their four fields, from which a host builds its
// component model's id type (vlm::Guid from platform/ClassFactory.h:
// kClsidCPlugIn.as<vlm::Guid>()). The four entry points have the component model's
// signatures (DllGetClassObject(const Guid* clsid, IClassFactory** factory); the others
// take nothing) and, like every function here, return a 32-bit result code, 0 for success.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vlm::vlmimport {

// A 16-byte id, written {data1-data2-data3-data4[0..1]-data4[2..7]} in hex.
struct GuidFields {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::array<std::uint8_t, 8> data4;

  // The same id as a type made of these four fields, such as the component model's Guid.
  template <class Id>
  constexpr Id as() const {
    return Id{data1, data2, data3, data4};
  }
};

// The library, which a host loads with dlopen.
inline constexpr std::string_view kLibraryFile = "libVLMImport.so";

// The creatable class and its registration; these never change.
inline constexpr std::string_view kProgId = "VLMImport.CPlugIn";
inline constexpr std::string_view kInterfaceName = "_CPlugIn";
inline constexpr std::string_view kTypeLibName = "VLMImport";
inline constexpr std::string_view kTypeLibVersion = "1.0";
// Class CPlugIn: {4ABD3CBA-CD5C-4934-850D-5973E14C6BF5}
inline constexpr GuidFields kClsidCPlugIn{
    0x4ABD3CBA, 0xCD5C, 0x4934, {0x85, 0x0D, 0x59, 0x73, 0xE1, 0x4C, 0x6B, 0xF5}};
// Interface _CPlugIn: {70355694-7822-49B6-AA0D-0F412490A358}
inline constexpr GuidFields kIidCPlugIn{
    0x70355694, 0x7822, 0x49B6, {0xAA, 0x0D, 0x0F, 0x41, 0x24, 0x90, 0xA3, 0x58}};
// Type library VLMImport 1.0: {C9F2C1C8-220F-4945-9720-1070FB0907B3}
inline constexpr GuidFields kLibidVLMImport{
    0xC9F2C1C8, 0x220F, 0x4945, {0x97, 0x20, 0x10, 0x70, 0xFB, 0x09, 0x07, 0xB3}};

// The dispatch ids of CPlugIn's members: Name (text), PlugInType (3),
// ExecutePlugIn(scene passed by reference) and SelectedObject (-1 when nothing came in).
inline constexpr std::int32_t kDispIdSelectedObject = 0x68030000;
inline constexpr std::int32_t kDispIdPlugInType = 0x68030001;
inline constexpr std::int32_t kDispIdName = 0x68030002;
inline constexpr std::int32_t kDispIdExecutePlugIn = 0x60030003;

// The exported functions, found with dlsym; each has C linkage.
inline constexpr char kDllRegisterServer[] = "DllRegisterServer";
inline constexpr char kDllUnregisterServer[] = "DllUnregisterServer";
inline constexpr char kDllGetClassObject[] = "DllGetClassObject";
inline constexpr char kDllCanUnloadNow[] = "DllCanUnloadNow";

// Makes the import dialog open on `file`: its format, given by `extension` ("obj", "dxf",
// "3ds", "inc" or "ply", any letter case), chosen, and the open-file dialog in its folder,
// by storing both as the choices the dialog remembers. `file` should be a full path.
// 0 when stored; 0x80070057 (invalid argument) for no file or an unknown format; a
// failure code when the settings component is missing or cannot write.
inline constexpr char kPreselect[] = "VLMImportPreselect";
using PreselectFn = std::int32_t (*)(const char* file, const char* extension);

}  // namespace vlm::vlmimport
