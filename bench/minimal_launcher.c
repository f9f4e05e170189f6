/* The benchmark's baseline: the same start and wait as the launcher, and nothing else. */
#include <stdio.h>

#ifdef _WIN32
#include <windows.h>

int main(int argc, char** argv)
{
    char line[32768];
    STARTUPINFOA startupInfo = {sizeof startupInfo};
    PROCESS_INFORMATION process;
    if (argc < 3)
        return 0;
    snprintf(line, sizeof line, "%s\\install.exe %svornbd.inf *DEDUVER", argv[1], argv[2]);
    if (CreateProcessA(NULL, line, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startupInfo, &process))
        WaitForSingleObject(process.hProcess, INFINITE);
    return 0;
}
#else
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv)
{
    char program[4096], inf[4096];
    pid_t installer;
    if (argc < 3)
        return 0;
    snprintf(program, sizeof program, "%s/install.exe", argv[1]);
    snprintf(inf, sizeof inf, "%svornbd.inf", argv[2]);
    char* arguments[] = {program, inf, "*DEDUVER", NULL};
    if (posix_spawn(&installer, program, NULL, NULL, arguments, environ) == 0)
        waitpid(installer, NULL, 0);
    return 0;
}
#endif
