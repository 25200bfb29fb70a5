// Texts the plug-in passes are bytes; a report in JSON needs valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vlm::refhost {

// `bytes` as valid UTF-8: each byte outside a well-formed sequence (a stray continuation
// byte, an overlong form, a surrogate, a code beyond U+10FFFF, a sequence cut short)
// becomes U+FFFD; everything else is kept as it is.
std::string validUtf8(std::string_view bytes);

}  // namespace vlm::refhost
