#pragma once
#include <optional>
#include <string>

namespace veska_test {

// Sets (or with nullopt, unsets) one environment variable for the life of the
// object and restores the old value afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace veska_test
