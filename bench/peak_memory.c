/* Runs a command and prints its peak resident memory in KiB. Built static and small: a child's peak
   counts the memory of the process it was started from, so that must not be a large one. */
#include <spawn.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv)
{
    pid_t child;
    int status;
    struct rusage usage;
    if (argc < 2 || posix_spawn(&child, argv[1], NULL, NULL, argv + 1, environ) != 0)
        return 127;
    if (wait4(child, &status, 0, &usage) < 0)
        return 127;
    printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
