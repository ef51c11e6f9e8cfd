#pragma once
// Sets an environment variable for a scope (a test, a block) and puts back the old value.
#include <string>

namespace divuzo::test {

// The variable for the rest of the process (Windows has no empty variables: "" removes it there).
void SetEnv(const char* name, const std::string& value);
void UnsetEnv(const char* name);

class ScopedEnv {
public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

} // namespace divuzo::test
