// The clipboard, as plain text.
#pragma once
#include <string>

namespace mvn {

// Replaces the clipboard's contents with AText (UTF-8) as Unicode text.
// False when the clipboard stayed busy or memory ran out.
bool SetClipboardText(const std::string& AText);
// The clipboard's Unicode text as UTF-8; empty when it holds none.
std::string ClipboardText();

}  // namespace mvn
