// modImport: the text helpers every importer shares. They work on the lines the import
// context's Read_Line gives (textio/ImportContext.h) and keep no state: tokenisers cut
// views off views, so reading costs no allocation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlm::modImport {

// The component's start-up procedure; it does nothing.
void Main();

// Trims `line` of blanks, cuts off and returns the text before its first blank; `line`
// keeps what follows that blank (or becomes empty when there is none).
std::string_view Get_FirstToken(std::string_view& line);

// textToSingle(text), with the common short number read in one pass.
float Get_Single(std::string_view text);

// textToSingle(Get_FirstToken(line)), with the common short number read in the same pass
// that finds its end.
float Get_FirstSingle(std::string_view& line);

// textToLong(Get_FirstToken(line)), with digits alone (nine at most, the usual case) read
// in one pass.
int32_t Get_FirstLong(std::string_view& line);

// The value of a numeric text ("." as the point) in single precision, else 0. Error 6
// when the value is beyond single range.
float Get_Number(std::string_view text);

// Replaces every occurrence of `find` in `target` at or after 1-based `start`, left to
// right, never searching inserted text again. An empty `find` replaces nothing; a start
// below 1 is error 5.
void Replace_All(int32_t start, std::string_view find, std::string_view replacement,
                 std::string& target);

// Removes the last four characters of `path` (the extension), returns the base name and
// leaves `path` holding the folder with its trailing separator ("/" or "\"), or the
// shortened path when it has no folder. Error 5 when `path` is shorter than four.
std::string Get_NameFromPath(std::string& path);

}  // namespace vlm::modImport
