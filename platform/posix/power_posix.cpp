#include <systemd/sd-bus.h>

#include "platform/power.h"

namespace platform {
namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

struct Bus {
  sd_bus* bus = nullptr;
  Bus() = default;
  Bus(Bus&& other) noexcept : bus(other.bus) { other.bus = nullptr; }
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;
  Bus& operator=(Bus&&) = delete;
  ~Bus() { sd_bus_flush_close_unref(bus); }
};

struct Reply {
  sd_bus_message* message = nullptr;
  ~Reply() { sd_bus_message_unref(message); }
};

struct CallError {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~CallError() { sd_bus_error_free(&error); }
  std::string Text(const std::string& what) const {
    return what + (error.message != nullptr ? std::string(": ") + error.message : std::string());
  }
};

Result<Bus> OpenSystemBus() {
  Bus bus;
  if (const int rc = sd_bus_open_system(&bus.bus); rc < 0) return Error{-rc, "connect to the system bus"};
  return bus;
}

}  // namespace

Result<std::string> CanPowerOff() {
  auto bus = OpenSystemBus();
  if (!bus) return bus.error();
  CallError error;
  Reply reply;
  const int rc = sd_bus_call_method(bus->bus, kLogind, kLogindPath, kLogindManager, "CanPowerOff",
                                    &error.error, &reply.message, "");
  if (rc < 0) return Error{-rc, error.Text("logind CanPowerOff")};
  const char* answer = nullptr;
  if (const int read = sd_bus_message_read(reply.message, "s", &answer); read < 0) {
    return Error{-read, "logind CanPowerOff: reply"};
  }
  return std::string(answer);
}

Status PowerOff() {
  auto bus = OpenSystemBus();
  if (!bus) return bus.error();
  CallError error;
  const int interactive = 0;
  const int rc = sd_bus_call_method(bus->bus, kLogind, kLogindPath, kLogindManager, "PowerOff", &error.error,
                                    nullptr, "b", interactive);
  if (rc < 0) return Error{-rc, error.Text("logind PowerOff")};
  return Status::Ok();
}

}  // namespace platform
