// The ANSI to UTF-16 conversion, for the few Windows calls that take UTF-16.
#pragma once

#include "support/text.h"

// UTF-16 units of the text with their terminator, as bytes; the empty text gives an empty buffer.
ByteBuffer ToUtf16(std::string_view text, unsigned codePage);
