// The launcher's entry and RunInstaller: the only code that talks to the platform's process services.
// Each platform has whole functions of its own below; the entry is shared.
#include "argument_split.hpp"
#include "command_line.hpp"

#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What the classic C runtime writes before ending with status 3; setup programs may look for it.
constexpr char kOutOfMemoryMessage[] = "\r\nabnormal program termination\r\n";
constexpr int kOutOfMemoryStatus = 3;

std::string_view ArgumentOrEmpty(const std::vector<std::string>& arguments, std::size_t index)
{
    return index < arguments.size() ? std::string_view(arguments[index]) : std::string_view();
}

} // namespace

#ifdef _WIN32
// ---- Windows only ----
#include <windows.h>

namespace {

bool IsLeadByteInAnsiCodePage(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

// Split from the raw process command line, not the C runtime's argv, so that the arguments are the
// same whichever run time, run-time version or wildcard setting the launcher is linked with.
std::vector<std::string> LauncherArguments(int, char**)
{
    char modulePath[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    return SplitCommandLine(GetCommandLineA(), modulePath, IsLeadByteInAnsiCodePage);
}

void RunInstaller(std::string& commandLine)
{
    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION processInformation = {};
    // No application name: the platform takes the program from the start of the line itself.
    // No inherited handles, so the installer holds nothing of the launcher's or its caller's.
    // CREATE_NO_WINDOW gives a console installer a console of its own that is never shown, so nothing
    // flashes and an interrupt of the launcher's console does not reach the installer.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startupInfo, &processInformation))
        return;
    WaitForSingleObject(processInformation.hProcess, INFINITE);
    CloseHandle(processInformation.hThread);
    CloseHandle(processInformation.hProcess);
}

void WriteToStandardError(const char* bytes, std::size_t size)
{
    // Straight to the handle: the C runtime's text mode would turn each \n into \r\n.
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes, static_cast<DWORD>(size), &written, nullptr);
}

} // namespace

#else
// ---- POSIX only ----
#include <algorithm>
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool NoLeadBytes(unsigned char)
{
    return false;
}

std::vector<std::string> LauncherArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void RunInstaller(std::string& commandLine)
{
    // The installer gets the arguments a Windows C runtime would split from the same line, and the
    // tool fragment's backslash names a file in the installer folder.
    std::vector<std::string> arguments = SplitCommandLine(commandLine, "", NoLeadBytes);
    std::string programPath = arguments[0];
    std::replace(programPath.begin(), programPath.end(), '\\', '/');
    std::vector<char*> argumentPointers;
    for (std::string& argument : arguments)
        argumentPointers.push_back(argument.data());
    argumentPointers.push_back(nullptr);

    posix_spawn_file_actions_t fileActions;
    posix_spawn_file_actions_init(&fileActions);
    // Nothing but the standard streams reaches the installer; the only failure here is lack of memory.
    if (posix_spawn_file_actions_addclosefrom_np(&fileActions, STDERR_FILENO + 1) != 0) {
        posix_spawn_file_actions_destroy(&fileActions);
        throw std::bad_alloc();
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: the installer has no share in the launcher's terminal or its signals.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    // posix_spawn, not posix_spawnp: no search path, and never a shell, so *DEDUVER stays as it is.
    pid_t installer = 0;
    const int startError = posix_spawn(&installer, programPath.c_str(), &fileActions, &attributes,
                                       argumentPointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&fileActions);
    if (startError != 0)
        return;
    while (waitpid(installer, nullptr, 0) == -1 && errno == EINTR) {
    }
}

void WriteToStandardError(const char* bytes, std::size_t size)
{
    // One short write, unbuffered; with no standard error there is no one left to tell.
    const ssize_t written = write(STDERR_FILENO, bytes, size);
    static_cast<void>(written);
}

} // namespace
#endif

int main(int argc, char** argv)
{
    try {
        const std::vector<std::string> arguments = LauncherArguments(argc, argv);
        std::string commandLine =
            BuildInstallerCommandLine(ArgumentOrEmpty(arguments, 1), ArgumentOrEmpty(arguments, 2));
        RunInstaller(commandLine);
    } catch (const std::bad_alloc&) {
        WriteToStandardError(kOutOfMemoryMessage, sizeof kOutOfMemoryMessage - 1);
        return kOutOfMemoryStatus;
    }
    return 0;
}
