// Composition of the one command line that runs the installer tool.
#pragma once

#include <string>
#include <string_view>

// Joined right after the installer folder: the tool's name and the blank that ends it.
inline constexpr std::string_view kToolFragment = "\\install.exe ";
// Joined right after the package prefix: the INF file and the device identifier.
inline constexpr std::string_view kPackageFragment = "vornbd.inf *DEDUVER";

// Returns installerFolder, kToolFragment, packagePrefix and kPackageFragment joined byte for byte:
// nothing is quoted, trimmed, converted or checked, so the caller's bytes reach the installer as given.
std::string BuildInstallerCommandLine(std::string_view installerFolder, std::string_view packagePrefix);
