#include "TerminalQuestion.h"

#include "ExitCode.h"

#include <unistd.h>

namespace divuzo::cli {

Answer AskOnTerminal(const std::string& question, std::FILE* in, std::FILE* out) {
  if (!isatty(fileno(in)) || !isatty(fileno(out))) return Answer::NoTerminal;
  std::fprintf(out, "%s [y/N] ", question.c_str());
  std::fflush(out);
  char line[64];
  if (!std::fgets(line, sizeof line, in)) {
    std::clearerr(in);
    std::fprintf(out, "\n");
    return Answer::No;
  }
  return line[0] == 'y' || line[0] == 'Y' ? Answer::Yes : Answer::No;
}

int ConfirmErase(const std::string& command, bool yes) {
  if (yes) return kExitDone;
  switch (AskOnTerminal("Erase all track data in the unit? This cannot be undone.")) {
    case Answer::Yes:
      return kExitDone;
    case Answer::No:
      std::fprintf(stderr, "Nothing erased.\n");
      return kExitFailed;
    case Answer::NoTerminal:
      break;
  }
  std::fprintf(stderr, "divuzo %s: erasing cannot be undone; give --yes to erase without asking\n",
               command.c_str());
  return kExitUsage;
}

}  // namespace divuzo::cli
