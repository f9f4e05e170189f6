#include "command_line.hpp"

std::string BuildInstallerCommandLine(std::string_view installerFolder, std::string_view packagePrefix)
{
    std::string commandLine;
    // One allocation of the exact size: running out of memory can only happen here, before any start.
    commandLine.reserve(installerFolder.size() + kToolFragment.size() + packagePrefix.size() +
                        kPackageFragment.size());
    commandLine.append(installerFolder).append(kToolFragment);
    commandLine.append(packagePrefix).append(kPackageFragment);
    return commandLine;
}
