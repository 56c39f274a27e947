#include "platform/testhooks.h"

#include <mutex>
#include <utility>

namespace platform {

namespace {
std::mutex gMutex;
constexpr std::uint64_t kOff = ~0ull;
std::uint64_t gBudget = kOff;
win::DWORD gError = 0;
std::vector<std::string> gOpened;
}  // namespace

namespace detail {

bool TakeWriteBudget(std::uint64_t wanted, std::uint64_t& allowed, win::DWORD& error) {
  std::lock_guard lock(gMutex);
  allowed = wanted;
  if (gBudget == kOff) return false;
  if (wanted <= gBudget) {
    gBudget -= wanted;  // a write that spends the budget exactly still succeeds
    return false;
  }
  allowed = gBudget;
  gBudget = 0;  // and stays spent: every later write fails too, like a full disk
  error = gError;
  return true;
}

void NoteOpenedForReading(const char* path) {
  std::lock_guard lock(gMutex);
  gOpened.emplace_back(path);
}

}  // namespace detail

void InjectWriteFailureAfter(std::uint64_t bytes, win::DWORD error) {
  std::lock_guard lock(gMutex);
  gBudget = bytes;
  gError = error;
}

std::vector<std::string> TakeOpenedForReading() {
  std::lock_guard lock(gMutex);
  return std::exchange(gOpened, {});
}

}  // namespace platform
