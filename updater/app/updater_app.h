#pragma once
// The updater's application object: the start-up checks that let one update
// run at a time, and the main flow.

#include <optional>
#include <string>

#include "platform/module_resources.h"
#include "platform/named_mutex.h"

class UpdaterApp {
 public:
  explicit UpdaterApp(platform::ModuleImage instance) : instance(instance) {}

  // True when the update may run: the update lock "TRVO_AutoUpdate" was had
  // within 10 s (or is not to be had at all), no update is marked in
  // progress, and the program got at least one argument (`argumentCount`
  // counts the program name too). Marks the update in progress.
  bool Init(int argumentCount);

  // Reads the update order from `commandLine`, shows the forced-update notice
  // and stops the client when the update is forced (1), and runs the
  // progress window until it quits. False when there was nothing to download.
  bool Run(const std::u16string& commandLine);

 private:
  std::optional<platform::NamedMutex> updateMutex;  // "{11B0C527-...}", found or created
  std::optional<platform::NamedMutex> autoUpdateMutex;  // held until the process ends
  platform::ModuleImage instance;
};
