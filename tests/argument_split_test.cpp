#include "argument_split.hpp"

#include <gtest/gtest.h>

#include <random>
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

// Quotes an argument so that the rules above give it back. A literal quote inside a quoted stretch is
// written either as \" or, by the older rule, as """ (one quote, the stretch ends, the next opens one).
std::string QuoteArgument(const std::string& argument, std::mt19937& random)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char byte : argument) {
        if (byte == '\\') {
            ++backslashes;
            continue;
        }
        if (byte == '"' && random() % 2 == 0) {
            quoted.append(2 * backslashes + 1, '\\').append("\"");
        } else if (byte == '"') {
            quoted.append(2 * backslashes, '\\').append("\"\"\"");
        } else {
            quoted.append(backslashes, '\\') += byte;
        }
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + '"';
}

std::string RandomBytes(const std::string& alphabet, std::size_t maxLength, std::mt19937& random)
{
    std::string bytes(random() % (maxLength + 1), ' ');
    for (char& byte : bytes)
        byte = alphabet[random() % alphabet.size()];
    return bytes;
}

TEST(SplitCommandLine, GivesBackEveryArgumentVectorQuotedForIt)
{
    std::mt19937 random(20261211);
    const std::string argumentBytes = " \t\"\\ab\xe9\xff";
    const std::string programNameBytes = " \\a:\xe9";
    for (int round = 0; round < 5000; ++round) {
        Arguments arguments = {RandomBytes(programNameBytes, 6, random)};
        std::string line = "\"" + arguments[0] + "\"";
        for (std::size_t count = random() % 6; count > 0; --count) {
            arguments.push_back(RandomBytes(argumentBytes, 8, random));
            line += (random() % 2 ? " " : " \t ") + QuoteArgument(arguments.back(), random);
        }
        ASSERT_EQ(SplitCommandLine(line, "", NoLeadBytes), arguments) << "command line: [" << line << "]";
    }
}

} // namespace
