// The component's published identity: what a host needs besides the four entry points.
//
// These identifiers are fixed for good; a host may compile them in (vlmhost does) or
// look the class up by its ProgID in the registrations DllRegisterServer writes.
#pragma once

#include <string_view>

#include "platform/ClassFactory.h"

namespace vlm::vlmimport {

inline constexpr std::string_view kLibraryName = "VLMImport";
inline constexpr std::string_view kProgId = "VLMImport.CPlugIn";
inline constexpr std::string_view kClassName = "CPlugIn";
inline constexpr std::string_view kInterfaceName = "_CPlugIn";
inline constexpr std::string_view kTypeLibVersion = "1.0";

// Class CPlugIn: {4ABD3CBA-CD5C-4934-850D-5973E14C6BF5}
inline constexpr Guid kClsidCPlugIn{
    0x4ABD3CBA, 0xCD5C, 0x4934, {0x85, 0x0D, 0x59, 0x73, 0xE1, 0x4C, 0x6B, 0xF5}};
// Interface _CPlugIn: {70355694-7822-49B6-AA0D-0F412490A358}
inline constexpr Guid kIidCPlugIn{
    0x70355694, 0x7822, 0x49B6, {0xAA, 0x0D, 0x0F, 0x41, 0x24, 0x90, 0xA3, 0x58}};
// Type library VLMImport 1.0: {C9F2C1C8-220F-4945-9720-1070FB0907B3}
inline constexpr Guid kLibidVLMImport{
    0xC9F2C1C8, 0x220F, 0x4945, {0x97, 0x20, 0x10, 0x70, 0xFB, 0x09, 0x07, 0xB3}};

// The dispatch ids of CPlugIn's members.
inline constexpr DispId kDispIdSelectedObject = 0x68030000;
inline constexpr DispId kDispIdPlugInType = 0x68030001;
inline constexpr DispId kDispIdName = 0x68030002;
inline constexpr DispId kDispIdExecutePlugIn = 0x60030003;

// The file name of the library on this platform.
inline constexpr std::string_view kLibraryFile = "libVLMImport.so";

}  // namespace vlm::vlmimport
