// The escaping of names and text in the settings file.
//
// Every byte that could break the line structure or the file's UTF-8 is written as %XX
// (two upper-case hex digits): '%', '=', '[', ']', ';', '#', control characters, DEL and
// every byte that is not part of a valid UTF-8 sequence. Everything else stays as it is,
// so paths stay readable and any bytes at all round-trip exactly.
#pragma once

#include <string>
#include <string_view>

namespace vlm {

// Appends `text`, escaped, to `out`.
void appendEscaped(std::string& out, std::string_view text);

// Replaces `out` by `text` with its escapes decoded. False when a '%' is not followed by
// two hex digits (`out` then holds what was decoded so far).
bool unescapeInto(std::string_view text, std::string& out);

// Length (1 to 4) of the valid UTF-8 sequence starting at text[pos], or 0 when the bytes
// there are not one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF,
// cut short).
size_t utf8SequenceLength(std::string_view text, size_t pos) noexcept;

}  // namespace vlm
