#pragma once
// Text from cards and file names, made safe to print on a terminal: a card's
// author or whoever named a file could otherwise send escape sequences that
// clear the screen, retitle the window or ring the bell.

#include <string>
#include <string_view>

namespace tessaly {

// `text` with every C0 control character but the line feed, DEL, and every
// C1 control character (U+0080 to U+009F, or such a byte outside a UTF-8
// sequence) written as \xHH. Tabs are escaped too: in a line "NAME<TAB>VALUE"
// only the program's own tab may stand.
std::string terminalText(std::string_view text);

// The same, appended to `out`.
void appendTerminalText(std::string& out, std::string_view text);

}  // namespace tessaly
