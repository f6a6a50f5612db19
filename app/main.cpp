#include "startup.h"

int main(int argc, char **argv)
{
    return korvane::runKorvane(argc, argv);
}
