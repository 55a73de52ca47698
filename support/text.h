// Text, number and byte-buffer routines shared by the whole program; no Windows headers here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Texts are byte strings in the ANSI code page (GBK); a byte of 0x80 or above starts a
// two-byte character. A missing text (null pointer) is the empty text everywhere.
using Text = std::string;
using TextList = std::vector<Text>;
using ByteBuffer = std::vector<unsigned char>;

inline std::string_view AsText(const char* text) { return text ? std::string_view(text) : std::string_view(); }

int TextLength(std::string_view text);
int CompareTexts(std::string_view a, std::string_view b);

inline std::string_view AsTextPart(std::string_view text) { return text; }
inline std::string_view AsTextPart(const char* text) { return AsText(text); }

template <typename... Parts>
Text JoinTexts(const Parts&... parts) {
    Text joined;
    (joined.append(AsTextPart(parts)), ...);
    return joined;
}

int RealToInteger(double value);

// Byte buffers; positions are 1-based and every range is clipped to the buffer.
ByteBuffer BlankBuffer(int length);
int BufferLength(const ByteBuffer& buffer);
ByteBuffer BufferOfText(std::string_view text);
ByteBuffer BufferFromMemory(const void* address, int length);
ByteBuffer LeftOfBuffer(const ByteBuffer& buffer, int count);
ByteBuffer RightOfBuffer(const ByteBuffer& buffer, int count);
ByteBuffer MiddleOfBuffer(const ByteBuffer& buffer, int position, int count);
std::int32_t IntegerOfBuffer(const ByteBuffer& buffer);
Text TextOfBuffer(const ByteBuffer& buffer);

// 1-based byte position of the first occurrence, or -1; never inside a two-byte character.
int FindText(std::string_view text, std::string_view sought);
TextList SplitText(std::string_view text, std::string_view delimiter);

// A path divided at its last backslash that is a character of its own (a GBK trail byte can be
// 0x5C: 乗 is 81 5C): the folder before it, without it, and the file name after it. A path
// without one is all file name.
struct PathParts {
    Text folder;
    Text fileName;
};
PathParts SplitPath(std::string_view path);
// The folder to make current: a drive's root gets its backslash back, since "E:" alone means
// the folder last current on that drive, not its root.
Text FolderToEnter(std::string_view folder);
// atoi after folding full-width ASCII forms to their one-byte forms.
int TextToInteger(std::string_view text);
// Half away from zero, after nudging the scaled magnitude by 1e-12.
double RoundReal(double value, int decimals);
Text FormatFixed(double value, int decimals);
Text NumberToText(int value);
Text NumberToText(double value);
