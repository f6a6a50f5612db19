// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane {

// The program's entry: with no argument, show the command center (or ask the
// running one to show itself); with a key word, act on it and end; with a script
// path (".VLM" anywhere), run the script and end. Returns the exit code.
int runKorvane(int argc, char **argv);

} // namespace korvane
