// veskaroom.exe: the substitute classroom client (usage: --help).

#include <string>
#include <vector>

#include "tools/veskaroom/classroom_client.h"
#include "tools/veskaroom/client_options.h"

int main(int argc, char** argv) {
  ClientOptions options;
  if (const auto exit_code = ParseClientOptions(std::vector<std::string>(argv + 1, argv + argc), options)) {
    return *exit_code;
  }
  return RunClassroomClient(options);
}
