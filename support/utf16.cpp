// The ANSI to UTF-16 conversion through the system's code-page tables.
#include "support/utf16.h"

#include <windows.h>

ByteBuffer ToUtf16(std::string_view text, unsigned codePage) {
    if (text.empty()) return {};
    const Text terminated(text);  // the conversion reads up to and including the NUL
    const int units = MultiByteToWideChar(codePage, 0, terminated.c_str(), -1, nullptr, 0);
    ByteBuffer buffer = BlankBuffer(2 * units);
    if (units > 0) {
        MultiByteToWideChar(codePage, 0, terminated.c_str(), -1, reinterpret_cast<wchar_t*>(buffer.data()), units);
    }
    return buffer;
}
