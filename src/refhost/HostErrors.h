// What the reference host's own failures carry as their source.
#pragma once

#include <string_view>

namespace vlm::refhost {

inline constexpr std::string_view kHostSource = "Velmo";

}  // namespace vlm::refhost
