// Test program: sleeps for the number of milliseconds in argv[1] (forever
// without one), then exits with the code in argv[2] (0 without one).
#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 2) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(argv[1])));
  return argc > 2 ? std::atoi(argv[2]) : 0;
}
