// orvi-flash: the wizard's upgrade from the command line, for one printer
// or many. The program's main() sets up what its platform needs and calls
// this.
#pragma once

// The exit status of the run (flash/outcome.h).
int RunFlash(int argc, const char* const* argv);
