#include "argument_split.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

bool NoLeadBytes(unsigned char)
{
    return false;
}

// A stand-in double-byte code page: 0x81 to 0x9F open two-byte characters, as in Shift-JIS.
bool ShiftJisLikeLeadBytes(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0x9F;
}

struct SplitCase {
    const char* line;
    Arguments expected;
};

void ExpectSplits(const SplitCase* cases, std::size_t count, LeadByteTest isLeadByte)
{
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(SplitCommandLine(cases[i].line, "C:\\unused.exe", isLeadByte), cases[i].expected)
            << "command line: [" << cases[i].line << "]";
}

TEST(SplitCommandLine, FollowsTheClassicRuntimeRules)
{
    const SplitCase cases[] = {
        // The program name.
        {"launcher.exe C:\\Drv D:\\Pkg\\", {"launcher.exe", "C:\\Drv", "D:\\Pkg\\"}},
        {"\"C:\\Program Files\\l.exe\" a b", {"C:\\Program Files\\l.exe", "a", "b"}},
        {"\"C:\\x\\\"a b", {"C:\\x\\", "a", "b"}},            // no backslash processing inside
        {"\"l.exe\"a b", {"l.exe", "a", "b"}},                // argument 1 right after the quote
        {"\"l.exe\"\"a b\" c", {"l.exe", "a b", "c"}},
        {"\"unterminated name", {"unterminated name"}},
        {"C:\\a\"b\\\"c d", {"C:\\a\"b\\\"c", "d"}},          // quotes and backslashes literal
        {"l\tx y", {"l", "x", "y"}},
        {"   a", {"", "a"}},
        {"\"\" a", {"", "a"}},
        // Blanks, tabs, and quoted stretches.
        {"l  a \t b\t\t", {"l", "a", "b"}},
        {"l \"a b\"c\" d\"", {"l", "a bc d"}},
        {"l a\"b c\"d", {"l", "ab cd"}},
        {"l \"a\tb\"", {"l", "a\tb"}},
        {"l \"unterminated  x", {"l", "unterminated  x"}},
        // Empty quoted arguments.
        {"l \"\" \"\"", {"l", "", ""}},
        {"l \"\" D:\\Pkg\\", {"l", "", "D:\\Pkg\\"}},
        // Backslashes.
        {"l a\\\\b c\\", {"l", "a\\\\b", "c\\"}},
        {"l \\\\\"a b\"", {"l", "\\a b"}},                    // 2n: n backslashes, quote opens
        {"l \\\\\\\"a b", {"l", "\\\"a", "b"}},               // 2n+1: n backslashes, literal quote
        {"l \\\"", {"l", "\""}},
        {"l \"D:\\Pkg\\\\\" x", {"l", "D:\\Pkg\\", "x"}},     // a quoted prefix doubles its last backslash
        {"l \"D:\\Pkg\\\" x", {"l", "D:\\Pkg\" x"}},
        {"l \\\\\\\\", {"l", "\\\\\\\\"}},
        // "" inside and outside a quoted stretch.
        {"l \"a\"\"b c\"", {"l", "a\"b", "c"}},               // one quote, and the stretch ends
        {"l \"a\"\"\"b c\"", {"l", "a\"b c"}},
        {"l a\"\"b", {"l", "ab"}},
        {"l \"\"\"\"", {"l", "\""}},
        {"l \"a\\\\\"\"b c", {"l", "a\\\"b", "c"}},
        // Further arguments are kept for the caller to ignore; no wildcard expansion.
        {"l *DEDUVER *.* ?", {"l", "*DEDUVER", "*.*", "?"}},
    };
    ExpectSplits(cases, std::size(cases), NoLeadBytes);
}

TEST(SplitCommandLine, NeverReadsATrailByteAsSyntax)
{
    const SplitCase cases[] = {
        {"l a\x81\"b c", {"l", "a\x81\"b", "c"}},
        {"l a\x81 b", {"l", "a\x81 b"}},
        {"l \x81\\\"x y\"", {"l", "\x81\\x y"}},
        {"l \"\x81\"\" z", {"l", "\x81\"", "z"}},
        {"\"l\x81\"x\" a", {"l\x81\"x", "a"}},
        {"l\x81 x a", {"l\x81 x", "a"}},
        {"l a\x81", {"l", "a\x81"}},                           // a lead byte at the very end
        {"l \xe0\"a b\"", {"l", "\xe0" "a b"}},                 // not a lead byte here
    };
    ExpectSplits(cases, std::size(cases), ShiftJisLikeLeadBytes);
}

TEST(SplitCommandLine, SplitsTheModulePathInPlaceOfAnEmptyLine)
{
    EXPECT_EQ(SplitCommandLine("", "C:\\Tools\\launcher.exe", NoLeadBytes), (Arguments{"C:\\Tools\\launcher.exe"}));
    EXPECT_EQ(SplitCommandLine("", "C:\\Program Files\\launcher.exe", NoLeadBytes),
              (Arguments{"C:\\Program", "Files\\launcher.exe"}));
    EXPECT_EQ(SplitCommandLine(" ", "C:\\launcher.exe", NoLeadBytes), (Arguments{""}));
}

} // namespace
