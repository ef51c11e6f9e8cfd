// divuzo-vdev: a virtual device on a pseudo-terminal that answers like a real one.
#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
  CLI::App app{"divuzo-vdev: virtual GPS device on a pseudo-terminal"};
  app.set_version_flag("--version", std::string("divuzo-vdev ") + DIVUZO_VERSION);
  CLI11_PARSE(app, argc, argv);
  return 0;
}
