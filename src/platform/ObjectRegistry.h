// Creatable classes by program identifier (ProgID), process-wide.
//
// The host program registers the classes installed on this machine (the host's object
// and material classes, the settings component); the plug-in creates them by ProgID.
// This lives in the shared runtime library, so host and plug-in see one table.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/Variant.h"

namespace vlm {

using ObjectFactory = std::function<ObjectRef()>;

// Registers (or replaces) the class behind `progId`.
void registerClass(std::string progId, ObjectFactory factory);
// Removes it; creating it afterwards fails with error 429.
void unregisterClass(std::string_view progId);
bool isClassRegistered(std::string_view progId);

// A new object of the class behind `progId` (case-insensitive); error 429
// ("ActiveX component can't create object") when none is registered or the factory fails.
ObjectRef createObject(std::string_view progId);

}  // namespace vlm
