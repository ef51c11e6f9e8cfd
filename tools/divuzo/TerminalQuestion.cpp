#include "TerminalQuestion.h"

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

}  // namespace divuzo::cli
