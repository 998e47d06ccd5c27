#pragma once
// Limits of the transfer engine. Production uses the defaults; tests pass
// smaller retry counts and stall times.

#include <cstdint>
#include <string>

struct DownloadSettings {
  int maxThreads = 5;                  // segments when Start is given no count
  long timeout = 6000;                 // seconds: probe request limit, connect limit
  int maxRetries = 500;                // per probe and per segment worker
  std::uint32_t blockUnit = 5242880;   // bytes of package per segment when planning
  std::string certFile;                // client certificate for https, beside the program
  std::string keyFile;                 // client key for https, beside the program
  // A transfer that receives no byte for this long is aborted and retried.
  long stallSeconds = 60;
  // Largest chunk the transfer library hands over at once.
  long receiveBufferBytes = 512 * 1024;
  // Redirects the size probe follows before the attempt counts as failed.
  int maxRedirects = 20;
};
