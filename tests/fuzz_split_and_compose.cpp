// libFuzzer target over the splitting and the composition. The first input byte picks the code page
// (odd: a double-byte one), the rest is the command line, and its two halves are composed.
#include "argument_split.hpp"
#include "command_line.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool NoLeadBytes(unsigned char)
{
    return false;
}

bool ShiftJisLikeLeadBytes(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0x9F;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// The line with every trail byte replaced by a plain letter: if trail bytes never act as syntax, it
// splits into arguments of the same shape.
std::string WithNeutralTrailBytes(std::string_view line)
{
    std::string neutral(line);
    for (std::size_t i = 0; i < neutral.size(); ++i) {
        if (ShiftJisLikeLeadBytes(static_cast<unsigned char>(neutral[i])) && i + 1 < neutral.size())
            neutral[++i] = 'A';
    }
    return neutral;
}

void CheckTrailBytesAreNeverSyntax(std::string_view line, const std::vector<std::string>& arguments)
{
    const std::vector<std::string> neutral =
        SplitCommandLine(WithNeutralTrailBytes(line), "C:\\module path\\launcher.exe", ShiftJisLikeLeadBytes);
    Require(neutral.size() == arguments.size());
    for (std::size_t a = 0; a < arguments.size(); ++a) {
        Require(neutral[a].size() == arguments[a].size());
        for (std::size_t i = 0; i < arguments[a].size(); ++i)
            Require(neutral[a][i] == arguments[a][i] || neutral[a][i] == 'A');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool doubleByte = data[0] % 2 == 1;
    const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::vector<std::string> arguments = SplitCommandLine(
        line, "C:\\module path\\launcher.exe", doubleByte ? ShiftJisLikeLeadBytes : NoLeadBytes);
    Require(!arguments.empty());
    if (doubleByte)
        CheckTrailBytesAreNeverSyntax(line, arguments);

    const std::string_view folder = line.substr(0, line.size() / 2);
    const std::string_view prefix = line.substr(line.size() / 2);
    const std::string composed = BuildInstallerCommandLine(folder, prefix);
    Require(composed.size() == folder.size() + 13 + prefix.size() + 19);
    Require(composed == std::string(folder) + "\\install.exe " + std::string(prefix) + "vornbd.inf *DEDUVER");
    return 0;
}
