// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: records how it was started. Writes its arguments (one per line,
// argv[0] first), then "sid N" and "ppid N", to the file named by
// KORVANE_ARGV_RECORD, through a temporary name so readers never see half a file.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char *argv[])
{
    const char *target = std::getenv("KORVANE_ARGV_RECORD");
    if (!target)
        return 2;
    const std::string temporary = std::string(target) + ".part";
    std::FILE *file = std::fopen(temporary.c_str(), "w");
    if (!file)
        return 3;
    for (int i = 0; i < argc; ++i)
        std::fprintf(file, "%s\n", argv[i]);
    std::fprintf(file, "sid %d\nppid %d\n", int(getsid(0)), int(getppid()));
    std::fclose(file);
    return std::rename(temporary.c_str(), target) == 0 ? 0 : 4;
}
