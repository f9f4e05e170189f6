// Starts a program with an exact command line, so the launcher's own splitting can be tested: a
// program started by Wine from Linux gets a command line that Wine has quoted its own way.
//   exact_start <file holding the command line> [option ...]
//     new-console        start with CREATE_NEW_CONSOLE
//     inherit-handle     make an inheritable handle, name it in FIXTURE_HANDLE, start inheriting
//     directory=<hex>    start in this directory
//     own-console        give this program a console first, for the started one to share
//     terminate-after=<ms>  end the started program with TerminateProcess after this long
// Prints "self <own process id>", "pid <process id>" and, once the process has ended, "exit <code>".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string FromHex(const char* hex)
{
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], 0};
        bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::ifstream lineFile(argv[1], std::ios::binary);
    std::string commandLine((std::istreambuf_iterator<char>(lineFile)), std::istreambuf_iterator<char>());
    DWORD creationFlags = 0;
    BOOL inheritHandles = FALSE;
    std::string directory;
    DWORD terminateAfter = INFINITE;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "new-console") == 0) {
            creationFlags |= CREATE_NEW_CONSOLE;
        } else if (std::strcmp(argv[i], "inherit-handle") == 0) {
            // Handle values well above those any young process holds, so a match is no accident.
            for (int spare = 0; spare < 500; ++spare)
                CreateEventA(nullptr, TRUE, FALSE, nullptr);
            SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
            const HANDLE event = CreateEventA(&inheritable, TRUE, FALSE, nullptr);
            char value[32];
            std::snprintf(value, sizeof value, "%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(event)));
            SetEnvironmentVariableA("FIXTURE_HANDLE", value);
            inheritHandles = TRUE;
        } else if (std::strcmp(argv[i], "own-console") == 0) {
            // Wine gives a program started from Linux a console without a window; trade it for a real one.
            FreeConsole();
            AllocConsole();
        } else if (std::strncmp(argv[i], "terminate-after=", 16) == 0) {
            terminateAfter = std::strtoul(argv[i] + 16, nullptr, 10);
        } else if (std::strncmp(argv[i], "directory=", 10) == 0) {
            directory = FromHex(argv[i] + 10);
        } else {
            return 2;
        }
    }
    std::printf("self %lu\n", GetCurrentProcessId());
    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles, creationFlags, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startupInfo, &process)) {
        std::printf("start-failed %lu\n", GetLastError());
        return 1;
    }
    std::printf("pid %lu\n", process.dwProcessId);
    std::fflush(stdout);
    if (WaitForSingleObject(process.hProcess, terminateAfter) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    std::printf("exit %lu\n", exitCode);
    return 0;
}
