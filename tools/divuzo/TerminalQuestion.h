#pragma once
// A yes/no question on the terminal, for the few decisions `divuzo update` leaves to the user
// (an older image, a unit that would lose its Bluetooth address). Without a terminal there is
// nobody to ask: the caller refuses unless an option said yes beforehand.
#include <cstdio>
#include <string>

namespace divuzo::cli {

enum class Answer { Yes, No, NoTerminal };

// Writes `question` and " [y/N] " to `out` and reads a line from `in`: Yes for a line that
// begins with y or Y, No for anything else (also end of input or an interrupting signal);
// NoTerminal, without asking, when `in` or `out` is no terminal.
Answer AskOnTerminal(const std::string& question, std::FILE* in = stdin, std::FILE* out = stderr);

// Before `command` erases a unit's log, which cannot be undone: kExitDone to go on (`yes` was
// given, or the user said yes on the terminal). Otherwise the reason is on standard error and
// the exit status is returned: kExitUsage without a terminal, kExitFailed when the answer was no.
int ConfirmErase(const std::string& command, bool yes);

}  // namespace divuzo::cli
