#include "ScopedEnv.h"

#include <cstdlib>

namespace divuzo::test {

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

void UnsetEnv(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");  // an empty value removes the variable on Windows
#else
  unsetenv(name);
#endif
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  SetEnv(name, value);
}

ScopedEnv::~ScopedEnv() {
  if (had_) SetEnv(name_.c_str(), old_);
  else UnsetEnv(name_.c_str());
}

} // namespace divuzo::test
