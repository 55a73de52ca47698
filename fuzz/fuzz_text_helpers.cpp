// Fuzz target: the text helpers on arbitrary bytes (text and sought text split at the first NUL).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string_view all(bytes, size);
    const std::size_t split = all.find('\0');
    const std::string_view text = all.substr(0, split);
    const std::string_view sought = split == std::string_view::npos ? std::string_view() : all.substr(split + 1);

    const int found = FindText(text, sought);
    if (found != -1) {
        if (found < 1 || static_cast<std::size_t>(found) + sought.size() - 1 > text.size()) std::abort();
        if (text.compare(found - 1, sought.size(), sought) != 0) std::abort();
    }

    std::size_t pieceBytes = 0;
    for (const Text& piece : SplitText(text, sought)) pieceBytes += piece.size();
    if (pieceBytes > text.size()) std::abort();

    // A split path joins back to itself, and its file name holds no backslash of its own.
    const PathParts parts = SplitPath(text);
    const Text joined = parts.folder.size() + parts.fileName.size() < text.size() ? parts.folder + "\\" + parts.fileName
                                                                                  : parts.fileName;
    if (joined != text) std::abort();
    if (FindText(parts.fileName, "\\") != -1) std::abort();
    FolderToEnter(parts.folder);

    TextToInteger(text);
    double value = 0;
    if (size >= sizeof value) std::memcpy(&value, data, sizeof value);
    const int decimals = size > 8 ? data[8] % 8 : 1;
    RoundReal(value, decimals);
    FormatFixed(value, decimals);
    NumberToText(value);
    const ByteBuffer buffer = BufferOfText(text);
    MiddleOfBuffer(buffer, size > 9 ? data[9] - 128 : 0, size > 10 ? data[10] - 128 : 0);
    IntegerOfBuffer(buffer);
    TextOfBuffer(buffer);
    return 0;
}
