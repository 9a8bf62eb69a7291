// The ANSI code page (Windows-1252) and UTF-8: texts of the programs are
// Windows-1252 bytes; they are converted only where they meet SDL.
#pragma once
#include <string>

namespace vr {

std::string AnsiToUtf8(const std::string& ansi);
// Characters outside Windows-1252 become "?".
std::string Utf8ToAnsi(const std::string& utf8);
// Whether the text is well-formed UTF-8 (shortest forms, no surrogates).
bool IsUtf8(const std::string& text);
// Well-formed UTF-8 converted to Windows-1252 (characters outside it become
// "?"); any other text is taken as Windows-1252 already and kept as it is.
// Plain ASCII is both and stays the same.
std::string AnsiFromUtf8OrAnsi(const std::string& text);
// Lower-case mapping of Windows-1252 text (ASCII and the Latin-1 letters).
std::string AnsiLower(const std::string& ansi);

}  // namespace vr
