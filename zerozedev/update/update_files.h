#pragma once
// Names of the update hand-off between the updater and the launcher.

#include <array>
#include <string_view>

namespace zerozedev {

// Source tag of the update records in the launcher log.
inline constexpr const char* kUpdateLogTag = "zerozedev";

inline constexpr std::string_view kUpdateTempFolder = "temp";
inline constexpr std::string_view kUpdatePackageName = "update.zip";
// Updater and download pieces left in temp/, deleted in this order.
inline constexpr std::array<std::string_view, 6> kUpdaterLeftovers = {
    "Updater.exe", "update.td0", "update.td1", "update.td2", "update.td3", "update.td"};
// Stopped before a package is unpacked.
inline constexpr std::string_view kCacheAssistantExeName = "veskaRoomCacheAssistant.exe";

}  // namespace zerozedev
