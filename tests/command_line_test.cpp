#include "command_line.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CompositionCase {
    const char* what;
    std::string installerFolder;
    std::string packagePrefix;
    std::string expected;
};

TEST(BuildInstallerCommandLine, JoinsTheArgumentsAndFragmentsByteForByte)
{
    const CompositionCase cases[] = {
        {"typical call", "C:\\Drv\\Tool", "D:\\Pkg\\", "C:\\Drv\\Tool\\install.exe D:\\Pkg\\vornbd.inf *DEDUVER"},
        {"both empty", "", "", "\\install.exe vornbd.inf *DEDUVER"},
        {"trailing backslash kept", "C:\\Drv\\Tool\\", "", "C:\\Drv\\Tool\\\\install.exe vornbd.inf *DEDUVER"},
        {"prefix without backslash", "C:\\T", "D:\\Pkg", "C:\\T\\install.exe D:\\Pkgvornbd.inf *DEDUVER"},
        {"blanks stay unquoted", "C:\\Program Files\\T", "D:\\My Pkg\\",
         "C:\\Program Files\\T\\install.exe D:\\My Pkg\\vornbd.inf *DEDUVER"},
        {"tabs, quotes, slashes", "\"C:/a\tb\"", "\\\\srv\\s\"\\", "\"C:/a\tb\"\\install.exe \\\\srv\\s\"\\vornbd.inf *DEDUVER"},
        {"bytes above 127", "C:\\\x83\x5c\xe9", "\xff\x81\\", "C:\\\x83\x5c\xe9\\install.exe \xff\x81\\vornbd.inf *DEDUVER"},
    };
    for (const CompositionCase& c : cases)
        EXPECT_EQ(BuildInstallerCommandLine(c.installerFolder, c.packagePrefix), c.expected) << c.what;
}

TEST(BuildInstallerCommandLine, HasTheDocumentedLengths)
{
    EXPECT_EQ(BuildInstallerCommandLine("C:\\Drv\\Tool", "D:\\Pkg\\").size(), 50u);
    EXPECT_EQ(BuildInstallerCommandLine("", "").size(), 32u);
    EXPECT_EQ(kToolFragment.size(), 13u);
    EXPECT_EQ(kPackageFragment.size(), 19u);
}

TEST(BuildInstallerCommandLine, ComposesLongInputsInFull)
{
    std::string folder(5000, 'f');
    folder[2500] = ' ';
    const std::string prefix(7000, 'p');
    const std::string line = BuildInstallerCommandLine(folder, prefix);
    ASSERT_EQ(line.size(), folder.size() + 13 + prefix.size() + 19);
    EXPECT_EQ(line.substr(0, folder.size()), folder);
    EXPECT_EQ(line.substr(folder.size() + 13, prefix.size()), prefix);
    EXPECT_EQ(line.substr(line.size() - 19), kPackageFragment);
}

} // namespace
