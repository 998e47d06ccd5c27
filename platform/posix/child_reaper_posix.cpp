#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "child_reaper.h"
#include "ended_child.h"

namespace platform::posix {
namespace {

constexpr int kPollWithoutPidfdMs = 20;

// One thread for the whole process, started with the first adopted child.
// It never ends: it lives as long as children may be handed to it.
class ChildReaper {
 public:
  static ChildReaper& Instance() {
    static ChildReaper* const instance = new ChildReaper();  // never destroyed: see Run
    return *instance;
  }

  void Adopt(int pid, UniqueFd pidfd) {
    {
      std::lock_guard lock(mutex_);
      children_.push_back(Child{pid, std::move(pidfd)});
      if (!started_) {
        std::thread([this] { Run(); }).detach();
        started_ = true;
      }
    }
    const std::uint64_t one = 1;
    (void)!write(wake_.get(), &one, sizeof one);
  }

 private:
  struct Child {
    int pid;
    UniqueFd pidfd;
  };

  ChildReaper() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

  void Run() {
    for (;;) {
      std::vector<pollfd> watched{{wake_.get(), POLLIN, 0}};
      bool without_pidfd = false;
      {
        std::lock_guard lock(mutex_);
        for (const Child& child : children_) {
          if (child.pidfd) {
            watched.push_back({child.pidfd.get(), POLLIN, 0});
          } else {
            without_pidfd = true;
          }
        }
      }
      // Only this thread removes children, so the descriptors stay open
      // while it polls them.
      poll(watched.data(), watched.size(), without_pidfd || !wake_ ? kPollWithoutPidfdMs : -1);
      std::uint64_t count = 0;
      (void)!read(wake_.get(), &count, sizeof count);

      std::lock_guard lock(mutex_);
      std::erase_if(children_, [](const Child& child) {
        return CollectIfEnded(child.pid, nullptr) != ChildEnd::kRunning;
      });
    }
  }

  std::mutex mutex_;
  std::vector<Child> children_;
  bool started_ = false;
  UniqueFd wake_;
};

}  // namespace

void ReapInBackground(int pid, UniqueFd pidfd) {
  ChildReaper::Instance().Adopt(pid, std::move(pidfd));
}

}  // namespace platform::posix
