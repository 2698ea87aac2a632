// Runs a command with its output sent to /dev/null and prints, on one line,
// its exit status, wall seconds, peak resident memory (KiB) and CPU seconds in
// the program and in the kernel:
//   bench_measure_run COMMAND [ARGUMENT...]
// The peak comes from wait4: unlike a measure taken through a script
// interpreter, it is not raised by the interpreter's own copy made to start
// the command.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_measure_run COMMAND [ARGUMENT...]\n");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child;
    if (const int error = posix_spawnp(&child, argv[1], &actions, nullptr, argv + 1, environ)) {
        std::fprintf(stderr, "bench_measure_run: %s: %s\n", argv[1], std::strerror(error));
        return 1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) {
        std::perror("bench_measure_run: wait4");
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    std::printf("%d %.6f %ld %.6f %.6f\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), seconds,
                usage.ru_maxrss, cpu(usage.ru_utime), cpu(usage.ru_stime));
    return 0;
}
