#pragma once
// Keeps a test's registry values away from the user's. On Linux the store is a file that each
// test names itself, so there is nothing to do; on Windows the store is the system registry, and
// HKEY_CURRENT_USER is redirected into a scratch key of its own (removed afterwards) while this
// object lives.
namespace divuzo::test {

class ScratchCurrentUser {
public:
  ScratchCurrentUser();
  ~ScratchCurrentUser();
  ScratchCurrentUser(const ScratchCurrentUser&) = delete;
  ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;

private:
  void* key_ = nullptr;
};

} // namespace divuzo::test
