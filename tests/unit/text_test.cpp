// The support helpers, case by case: text, numbers, buffers, and the owning wrappers.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <climits>

#include "support/text.h"
#include "support/unique.h"
#include "support/utf16.h"

namespace {

std::string Hex(const ByteBuffer& bytes) {
    std::string out;
    char two[4];
    for (unsigned char b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        out += two;
    }
    return out;
}

TEST(SplitPath, DividesAtTheLastBackslashThatIsACharacterOfItsOwn) {
    struct Case { const char* path; const char* folder; const char* fileName; };
    const Case cases[] = {
        {"C:\\Tools\\任务栏Kestrune.exe", "C:\\Tools", "任务栏Kestrune.exe"},
        {"C:\\下载\\下载乗abc.exe", "C:\\下载", "下载乗abc.exe"},  // 乗 ends in byte 0x5C
        {"C:\\昞\\x.exe", "C:\\昞", "x.exe"},                  // so does 昞, in the folder
        {"E:\\x.exe", "E:", "x.exe"},
        {"\\\\server\\share\\x.exe", "\\\\server\\share", "x.exe"},
        {"x.exe", "", "x.exe"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.fileName, c.fileName) << c.path;
    }
    EXPECT_EQ(FolderToEnter("E:"), "E:\\") << "a drive alone names its remembered folder";
    EXPECT_EQ(FolderToEnter("E:\\Tools"), "E:\\Tools");
    EXPECT_EQ(FolderToEnter("\\\\server\\share"), "\\\\server\\share");
}

TEST(FindText, FindsWholeCharactersOnly) {
    struct Case { const char* text; const char* sought; int expected; };
    const Case cases[] = {
        {"_Total   98", "Total", 2},
        {"_Total   98", "total", -1},  // no case folding
        {"", "", -1},
        {"abc", "", 1},
        {"abc", "abcd", -1},
        {"abc", "c", 3},
        {"\x81\x41", "A", -1},         // 0x41 is the second byte of a two-byte character
        {"\x81\x41" "A", "A", 3},
        {"\xB0\xA1\xB0\xA1", "\xA1\xB0", -1},  // equal bytes straddling two characters
        {"ab\x81", "\x81", 3},         // a lone lead byte at the end can still start a match
        {"CPU使用率 Total", "Total", 11},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindText(c.text, c.sought), c.expected) << "text=" << c.text << " sought=" << c.sought;
    }
}

TEST(SplitText, KeepsInnerEmptyPiecesAndDropsAnEmptyTail) {
    struct Case { const char* text; const char* delimiter; TextList expected; };
    const Case cases[] = {
        {"a,,b,", ",", {"a", "", "b"}},
        {"l1\r\nl2\r\n", "\r\n", {"l1", "l2"}},
        {"a\r\n\r\nb", "\r\n", {"a", "", "b"}},
        {",a", ",", {"", "a"}},
        {"", ",", {}},
        {"abc", "", {"abc"}},
        {"abc", ",", {"abc"}},
        {"\x81,x,y", ",", {"\x81,x", "y"}},  // the first comma is inside a two-byte character
        {"Name\r\r\n_Total 98\r\r\n\r\r\n", "\r\n", {"Name\r", "_Total 98\r", "\r"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitText(c.text, c.delimiter), c.expected) << "text=" << c.text;
    }
}

TEST(TextToInteger, ReadsLikeAtoiAfterFoldingFullWidthForms) {
    struct Case { const char* text; int expected; };
    const Case cases[] = {
        {"12.5", 12},
        {"", 0},
        {"abc", 0},
        {"  -7x", -7},
        {"+3", 3},
        {"\t\n 42", 42},
        {"\xA3\xB1\xA3\xB2", 12},                 // full-width 1 and 2
        {"\xA1\xA1\xA3\xAD\xA3\xB5", -5},         // full-width space, minus, 5
        {"\xA3\xB9\xA3\xAE\xA3\xB5", 9},          // full-width 9 . 5
        {"\xCA\xFD" "5", 0},                      // another two-byte character stops the digits
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextToInteger(c.text), c.expected) << "text=" << c.text;
    }
}

TEST(RoundReal, RoundsHalvesAwayFromZeroAfterTheNudge) {
    struct Case { double value; int decimals; double expected; };
    const Case cases[] = {
        {2.5, 0, 3},    {-2.5, 0, -3}, {0.98, 1, 1.0}, {1.25, 1, 1.3}, {-1.25, 1, -1.3},
        {1.005, 2, 1.01}, {0, 1, 0},   {3.04, 1, 3.0}, {2.4999, 0, 2}, {1000.94, 1, 1000.9},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(RoundReal(c.value, c.decimals), c.expected) << "value=" << c.value << " decimals=" << c.decimals;
    }
}

TEST(FormatFixed, WritesExactlyTheDecimalsAsked) {
    struct Case { double value; int decimals; const char* expected; };
    const Case cases[] = {
        {0, 1, "0.0"},     {12.5, 1, "12.5"},  {1000, 1, "1000.0"}, {3.04, 1, "3.0"},
        {0.98, 1, "1.0"},  {1.5, 3, "1.500"},  {2.5, 0, "3"},       {1000.94, 1, "1000.9"},
        {4194303.999, 1, "4194304.0"},         {123456789.25, 1, "123456789.3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFixed(c.value, c.decimals), c.expected) << "value=" << c.value;
    }
}

TEST(NumberToText, WritesIntegersAndShortestReals) {
    EXPECT_EQ(NumberToText(42), "42");
    EXPECT_EQ(NumberToText(-7), "-7");
    EXPECT_EQ(NumberToText(3.0), "3");
    EXPECT_EQ(NumberToText(12.5), "12.5");
    EXPECT_EQ(NumberToText(1.5), "1.5");
}

TEST(ToUtf16, ConvertsWithTheTerminatorAndNothingForEmpty) {
    EXPECT_EQ(Hex(ToUtf16("", 936)), "");
    EXPECT_EQ(Hex(ToUtf16("cmd", 936)), "63006D0064000000");
    EXPECT_EQ(Hex(ToUtf16("任务", 936)), "FB4EA1520000");  // U+4EFB U+52A1
    EXPECT_EQ(ToUtf16(std::string(300, 'a'), 936).size(), 602u);
}

TEST(SmallRoutines, FollowTheirOneRule) {
    EXPECT_EQ(TextLength(AsText(nullptr)), 0);
    EXPECT_EQ(TextLength("任务"), 4);
    EXPECT_EQ(CompareTexts(AsText(nullptr), ""), 0);
    EXPECT_GT(CompareTexts("\x80", "a"), 0);  // unsigned bytes
    EXPECT_LT(CompareTexts("ab", "abc"), 0);
    EXPECT_EQ(JoinTexts("a", static_cast<const char*>(nullptr), std::string("b"), "c"), "abc");
    EXPECT_EQ(RealToInteger(2.9), 2);
    EXPECT_EQ(RealToInteger(-2.9), -2);
}

TEST(ByteBuffers, ClipEveryRangeToTheBuffer) {
    const ByteBuffer bytes{1, 2, 3, 4, 5};
    EXPECT_EQ(BlankBuffer(3), ByteBuffer(3, 0));
    EXPECT_TRUE(BlankBuffer(0).empty());
    EXPECT_TRUE(BlankBuffer(-1).empty());
    EXPECT_EQ(BufferLength(ByteBuffer()), 0);
    EXPECT_EQ(LeftOfBuffer(bytes, 2), (ByteBuffer{1, 2}));
    EXPECT_EQ(LeftOfBuffer(bytes, 9), bytes);
    EXPECT_EQ(RightOfBuffer(bytes, 2), (ByteBuffer{4, 5}));
    EXPECT_EQ(RightOfBuffer(bytes, 9), bytes);
    EXPECT_EQ(MiddleOfBuffer(bytes, 2, 3), (ByteBuffer{2, 3, 4}));
    EXPECT_EQ(MiddleOfBuffer(bytes, 4, 9), (ByteBuffer{4, 5}));
    EXPECT_EQ(MiddleOfBuffer(bytes, 0, 2), (ByteBuffer{1}));
    EXPECT_TRUE(MiddleOfBuffer(bytes, 6, 1).empty());
    EXPECT_EQ(IntegerOfBuffer(ByteBuffer{0x78, 0x56, 0x34, 0x12, 0xFF}), 0x12345678);
    EXPECT_EQ(IntegerOfBuffer(ByteBuffer{1, 2}), 0x0201);
    EXPECT_EQ(IntegerOfBuffer(ByteBuffer{0xFF, 0xFF, 0xFF, 0xFF}), -1);
    EXPECT_EQ(TextOfBuffer(ByteBuffer{'a', 'b', 0, 'c'}), "ab");
    EXPECT_EQ(TextOfBuffer(BufferOfText("xyz")), "xyz");
    const char memory[] = "mem";
    EXPECT_EQ(BufferFromMemory(memory, 3), BufferOfText("mem"));
}

bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

// Files, find handles and tool-help snapshots fail with INVALID_HANDLE_VALUE, not null: a wrapper
// holding that value is empty and never closes it, and one holding a real handle closes it.
TEST(Ownership, KindsEmptyAtInvalidHandleValueTellFailureFromAHandle) {
    EXPECT_EQ(UniqueFile().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(UniqueFind().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(UniqueSnapshot().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(UniqueHandle().get(), nullptr);

    WIN32_FIND_DATAA found;
    EXPECT_FALSE(UniqueFile(CreateFileA("Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                        nullptr)));
    EXPECT_FALSE(UniqueFind(FindFirstFileA("Z:\\no\\such\\folder\\*", &found)));

    UniqueFile file(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    ASSERT_TRUE(file);
    ASSERT_TRUE(snapshot);
    const HANDLE fileHandle = file.get();
    const HANDLE snapshotHandle = snapshot.get();
    EXPECT_TRUE(IsOpenHandle(fileHandle));
    file.reset();
    snapshot.reset();
    EXPECT_FALSE(IsOpenHandle(fileHandle));
    EXPECT_FALSE(IsOpenHandle(snapshotHandle));
    EXPECT_FALSE(file);
}

TEST(Ownership, AScopedSelectionPutsThePreviousObjectBack) {
    const HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    const HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    const UniqueFont font(CreateFontA(-20, 0, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, ""));
    ASSERT_TRUE(font);
    {
        const ScopedSelection selection(dc, font.get());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), before);
    DeleteDC(dc);
}

}  // namespace
