// torvelctl: runs the commands of one command line on the card.
#ifndef TORVELCTL_TORVELCTL_H
#define TORVELCTL_TORVELCTL_H

#include <ostream>
#include <string>
#include <vector>

// Exit statuses.
const int TORVELCTL_DONE = 0;      // every command went through
const int TORVELCTL_FAILED = 1;    // a call failed (the run stopped there)
const int TORVELCTL_BAD_INPUT = 2; // the command line is wrong; nothing was sent
const int TORVELCTL_INTERRUPTED =
    130; // interrupted: the commands after the call in progress were not run

// From now on, an interrupt (SIGINT or SIGTERM; on Windows Ctrl-C, Ctrl-Break
// or closing the console) lets the call in progress finish and then ends the
// run: no further command is run, standard error names those that were not,
// and the run's status is TORVELCTL_INTERRUPTED. Without this, an interrupt
// does what it does by default.
void CatchInterrupts();

// Reads the command line (argv[0] is the program's name), runs its commands
// in order until one fails, and returns the exit status. Results go to `out`,
// warnings and errors to `err`.
int RunTorvelctl(int argc, char **argv, std::ostream &out, std::ostream &err);

// The same with the arguments after the program's name.
int RunTorvelctl(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);

#endif
