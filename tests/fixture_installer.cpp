// Stands in for install.exe in the end-to-end tests and the demo: records what it received, one
// "key value" line each, then optionally sleeps and ends with a chosen code. Bytes below 0x20, above
// 0x7E and '%' are written as %XX, so every byte received can be read back exactly.
//   FIXTURE_RECORD     file to write the record to (standard output when unset)
//   FIXTURE_SLEEP_MS   how long to sleep before ending; "finished" is recorded after it
//   FIXTURE_EXIT_CODE  the exit code
//   FIXTURE_PROBE      recorded as it is, to show the environment arrived
//   FIXTURE_HANDLE     (Windows) a handle value whose validity is recorded
//   FIXTURE_SPAWN_SLEEP_MS  (Windows) first start a copy of this program that sleeps this long and
//                      records to FIXTURE_RECORD with ".spawned" added, and do not wait for it
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

namespace {

std::string Escaped(const std::string& bytes)
{
    std::string escaped;
    for (unsigned char byte : bytes) {
        if (byte < 0x20 || byte > 0x7E || byte == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            escaped += hex;
        } else {
            escaped += static_cast<char>(byte);
        }
    }
    return escaped;
}

void Record(std::FILE* out, const std::string& key, const std::string& value)
{
    std::fprintf(out, "%s %s\n", key.c_str(), Escaped(value).c_str());
    std::fflush(out);
}

std::string EnvironmentOr(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

#ifdef _WIN32
std::string ModulePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

void StartSleepingCopy(const std::string& sleepMilliseconds)
{
    const std::string record = EnvironmentOr("FIXTURE_RECORD", "") + ".spawned";
    SetEnvironmentVariableA("FIXTURE_RECORD", record.c_str());
    SetEnvironmentVariableA("FIXTURE_SLEEP_MS", sleepMilliseconds.c_str());
    SetEnvironmentVariableA("FIXTURE_SPAWN_SLEEP_MS", nullptr);
    std::string commandLine = "\"" + ModulePath() + "\"";
    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void RecordPlatform(std::FILE* out)
{
    const std::string spawnSleep = EnvironmentOr("FIXTURE_SPAWN_SLEEP_MS", "");
    if (!spawnSleep.empty())
        StartSleepingCopy(spawnSleep);
    Record(out, "module", ModulePath());
    Record(out, "command-line", GetCommandLineA());
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    Record(out, "directory", directory);
    Record(out, "console-window", GetConsoleWindow() ? "yes" : "no");
    DWORD processes[64] = {};
    const DWORD count = GetConsoleProcessList(processes, 64);
    std::string list;
    for (DWORD i = 0; i < count && i < 64; ++i)
        list += (list.empty() ? "" : " ") + std::to_string(processes[i]);
    Record(out, "console-processes", list);
    const std::string handle = EnvironmentOr("FIXTURE_HANDLE", "");
    if (!handle.empty()) {
        DWORD flags = 0;
        const HANDLE value = reinterpret_cast<HANDLE>(std::strtoull(handle.c_str(), nullptr, 16));
        Record(out, "inherited-handle", GetHandleInformation(value, &flags) ? "yes" : "no");
    }
}

void SleepMilliseconds(unsigned milliseconds)
{
    Sleep(milliseconds);
}
#else
void RecordPlatform(std::FILE* out)
{
    char directory[4096] = {};
    Record(out, "directory", getcwd(directory, sizeof directory) ? directory : "");
    std::string descriptors;
    if (DIR* listing = opendir("/proc/self/fd")) {
        const int own = dirfd(listing);
        while (const dirent* entry = readdir(listing)) {
            const int descriptor = std::atoi(entry->d_name);
            const bool fixtureOwn = descriptor == own || (out != stdout && descriptor == fileno(out));
            if (entry->d_name[0] != '.' && !fixtureOwn)
                descriptors += (descriptors.empty() ? "" : " ") + std::string(entry->d_name);
        }
        closedir(listing);
    }
    Record(out, "descriptors", descriptors);
    Record(out, "own-session", getsid(0) == getpid() ? "yes" : "no");
}

void SleepMilliseconds(unsigned milliseconds)
{
    usleep(milliseconds * 1000u);
}
#endif

} // namespace

int main(int argc, char** argv)
{
    const std::string recordPath = EnvironmentOr("FIXTURE_RECORD", "");
    std::FILE* out = recordPath.empty() ? stdout : std::fopen(recordPath.c_str(), "wb");
    if (!out)
        return 99;
    for (int i = 0; i < argc; ++i)
        Record(out, "argument" + std::to_string(i), argv[i]);
    RecordPlatform(out);
    Record(out, "environment", "FIXTURE_PROBE=" + EnvironmentOr("FIXTURE_PROBE", "(unset)"));
    SleepMilliseconds(static_cast<unsigned>(std::atoi(EnvironmentOr("FIXTURE_SLEEP_MS", "0").c_str())));
    Record(out, "finished", "yes");
    return std::atoi(EnvironmentOr("FIXTURE_EXIT_CODE", "0").c_str());
}
