// Splitting of a process command line into arguments, as the classic Windows C runtime does it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Tells whether a byte opens a two-byte character in the code page the command line is written in.
using LeadByteTest = bool (*)(unsigned char byte);

// Splits commandLine into argument 0 (the program's name) and the arguments after it. An empty
// commandLine stands for modulePath, which is split in its place. Never fails on content.
std::vector<std::string> SplitCommandLine(std::string_view commandLine, std::string_view modulePath,
                                          LeadByteTest isLeadByte);
