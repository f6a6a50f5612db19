// CPU used by a script that waits: runs the real korvane on a script holding one
// "`W 10" line (offscreen, no window) and prints the wall time and the CPU time
// the process used, from wait4's resource usage.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    char folder[] = "/tmp/korvane-bench-wait-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string script = std::string(folder) + "/wait.vlm";
    std::ofstream(script) << "`W " << seconds << "\r\n";

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("KORVANE_HOME", folder, 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(KORVANE_BINARY, KORVANE_BINARY, script.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
                       + usage.ru_stime.tv_usec / 1e6;
    std::printf("`W %d: wall %.2f s, CPU %.3f s (%.2f%% of one core, start-up included), exit %d\n",
                seconds, wall, cpu, 100.0 * cpu / wall, WEXITSTATUS(status));
    std::remove(script.c_str());
    rmdir(folder);
    return 0;
}
