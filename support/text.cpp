// Text, number and byte-buffer routines: exact byte rules the readings and parsers rely on.
#include "support/text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

// Next scan position: a two-byte character is stepped over whole; a lead byte whose
// partner would be the terminator ends the scan.
std::size_t NextPosition(std::string_view text, std::size_t position) {
    if (IsLeadByte(static_cast<unsigned char>(text[position]))) {
        return position + 1 < text.size() ? position + 2 : text.size();
    }
    return position + 1;
}

Text PrintNumber(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

int TextLength(std::string_view text) { return static_cast<int>(text.size()); }

int CompareTexts(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    const int order = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (order != 0) return order;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int RealToInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

ByteBuffer BlankBuffer(int length) { return length > 0 ? ByteBuffer(static_cast<std::size_t>(length), 0) : ByteBuffer(); }

int BufferLength(const ByteBuffer& buffer) { return static_cast<int>(buffer.size()); }

ByteBuffer BufferOfText(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }

ByteBuffer BufferFromMemory(const void* address, int length) {
    if (!address || length <= 0) return {};
    const auto* bytes = static_cast<const unsigned char*>(address);
    return ByteBuffer(bytes, bytes + length);
}

ByteBuffer MiddleOfBuffer(const ByteBuffer& buffer, int position, int count) {
    if (count <= 0) return {};
    const long long first = std::max<long long>(position, 1);
    const long long last = std::min<long long>(static_cast<long long>(position) + count - 1, BufferLength(buffer));
    if (first > last) return {};
    return ByteBuffer(buffer.begin() + (first - 1), buffer.begin() + last);
}

ByteBuffer LeftOfBuffer(const ByteBuffer& buffer, int count) { return MiddleOfBuffer(buffer, 1, count); }

ByteBuffer RightOfBuffer(const ByteBuffer& buffer, int count) {
    if (count <= 0) return {};
    const int length = BufferLength(buffer);
    const int kept = std::min(count, length);
    return MiddleOfBuffer(buffer, length - kept + 1, kept);
}

std::int32_t IntegerOfBuffer(const ByteBuffer& buffer) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < buffer.size(); ++i) value |= static_cast<std::uint32_t>(buffer[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

Text TextOfBuffer(const ByteBuffer& buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), 0);
    return Text(buffer.begin(), end);
}

int FindText(std::string_view text, std::string_view sought) {
    if (sought.empty()) return text.empty() ? -1 : 1;
    for (std::size_t position = 0; text.size() - position >= sought.size(); position = NextPosition(text, position)) {
        if (text.compare(position, sought.size(), sought) == 0) return static_cast<int>(position) + 1;
    }
    return -1;
}

TextList SplitText(std::string_view text, std::string_view delimiter) {
    TextList pieces;
    if (text.empty()) return pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text.size() - position >= delimiter.size() && text.compare(position, delimiter.size(), delimiter) == 0) {
            pieces.emplace_back(text.substr(pieceStart, position - pieceStart));
            position += delimiter.size();
            pieceStart = position;
        } else {
            position = NextPosition(text, position);
        }
    }
    if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
    return pieces;
}

PathParts SplitPath(std::string_view path) {
    std::size_t lastSlash = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); i = NextPosition(path, i)) {
        if (path[i] == '\\') lastSlash = i;
    }
    if (lastSlash == std::string_view::npos) return {Text(), Text(path)};
    return {Text(path.substr(0, lastSlash)), Text(path.substr(lastSlash + 1))};
}

Text FolderToEnter(std::string_view folder) {
    if (folder.size() == 2 && folder[1] == ':') return JoinTexts(folder, "\\");
    return Text(folder);
}

int TextToInteger(std::string_view text) {
    // Full-width forms of the GBK table fold to ASCII, so "１２" reads as 12.
    Text folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!IsLeadByte(lead) || i + 1 >= text.size()) {
            folded.push_back(static_cast<char>(lead));
            continue;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            folded.push_back(static_cast<char>(trail - 0x80));
        } else if (lead == 0xA1 && trail == 0xA1) {
            folded.push_back(' ');
        } else if (lead == 0xA1 && trail == 0xAB) {
            folded.push_back('~');
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            folded.push_back('*');
        } else {
            folded.push_back(static_cast<char>(lead));
            folded.push_back(static_cast<char>(trail));
        }
        ++i;
    }

    // atoi's reading, saturating instead of overflowing.
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < folded.size() && isSpace(folded[i])) ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
    long long value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10 + (folded[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double RoundReal(double value, int decimals) {
    if (value == 0) return value;
    const double scale = std::pow(10.0, decimals);
    const double nudged = std::fabs(value) * scale + 1e-12;
    const double whole = std::floor(nudged);
    const double rounded = (nudged - whole >= 0.5 ? whole + 1 : whole) / scale;
    return value < 0 ? -rounded : rounded;
}

Text FormatFixed(double value, int decimals) {
    Text text = PrintNumber("%.13g", RoundReal(value, decimals));
    if (decimals <= 0) return text;
    const std::size_t point = text.find('.');
    if (point == Text::npos) {
        text.append(1, '.').append(static_cast<std::size_t>(decimals), '0');
    } else {
        const std::size_t digits = text.size() - point - 1;
        if (digits < static_cast<std::size_t>(decimals)) text.append(decimals - digits, '0');
    }
    return text;
}

Text NumberToText(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return buffer;
}

Text NumberToText(double value) { return PrintNumber("%.13g", value); }
