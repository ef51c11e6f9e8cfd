// Every window test program keeps its settings (the stored Bluetooth address, whether all tabs
// are shown) in a folder of its own, made when it starts and removed when it ends: what the
// developer's own settings say cannot change a test's outcome, and tests cannot change them.
#include "ScopedEnv.h"
#include "TempDir.h"

namespace {

struct PrivateSettings {
  divuzo::test::TempDir folder;
  divuzo::test::ScopedEnv configHome{"XDG_CONFIG_HOME", folder.path().string()};
};

const PrivateSettings privateSettings;

} // namespace
