#include "support/spawn_args.h"

extern char** environ;

namespace veska_test {

std::vector<std::string> ArgvStrings(const std::filesystem::path& program,
                                     const std::vector<std::string>& args) {
  std::vector<std::string> strings{program.string()};
  strings.insert(strings.end(), args.begin(), args.end());
  return strings;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra_env) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const auto& extra : extra_env) {
    const auto key = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
    env.push_back(extra);
  }
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace veska_test
