#include "outside/duilib/presentation.h"

#include <gtk/gtk.h>
#include <stdlib.h>

#include <charconv>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace DuiLib {
namespace {

constexpr char kAnswerVariable[] = "VESKA_WINDOW_ANSWER";
constexpr RECT kOffscreenWorkArea{0, 0, 1920, 1080};

struct State {
  std::mutex mutex;
  bool offscreen_asked = false;
  std::optional<Presentation> decided;
  std::vector<UINT> answers;
  std::size_t next_answer = 0;
  std::string refusal;
};

State& TheState() {
  static State* state = new State;
  return *state;
}

bool IsSet(const char* name) {
  const char* value = getenv(name);
  return value != nullptr && value[0] != '\0';
}

// "2" or "2,1": close codes, one per modal window in turn.
std::optional<std::vector<UINT>> ParseAnswers(std::string_view text) {
  std::vector<UINT> answers;
  while (true) {
    const auto comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    UINT code = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), code);
    if (item.empty() || error != std::errc() || end != item.data() + item.size()) return std::nullopt;
    answers.push_back(code);
    if (comma == std::string_view::npos) return answers;
    text.remove_prefix(comma + 1);
  }
}

Presentation Decide(State& state) {
  if (state.offscreen_asked) return Presentation::kOffscreen;
  if ((IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) && gtk_init_check(nullptr, nullptr)) {
    return Presentation::kScreen;
  }
  const char* answer = getenv(kAnswerVariable);
  if (answer == nullptr) {
    state.refusal = std::string("no display (DISPLAY or WAYLAND_DISPLAY) and no ") + kAnswerVariable;
    return Presentation::kRefused;
  }
  auto answers = ParseAnswers(answer);
  if (!answers) {
    state.refusal = std::string("no display, and ") + kAnswerVariable + "=\"" + answer +
                    "\" is not a list of close codes such as 1 or 2,1";
    return Presentation::kRefused;
  }
  state.answers = std::move(*answers);
  return Presentation::kAutomation;
}

}  // namespace

Presentation CurrentPresentation() {
  State& state = TheState();
  std::lock_guard lock(state.mutex);
  if (!state.decided) state.decided = Decide(state);
  return *state.decided;
}

void UseOffscreenPresentation() {
  State& state = TheState();
  std::lock_guard lock(state.mutex);
  state.offscreen_asked = true;
}

UINT NextAutomationAnswer() {
  State& state = TheState();
  std::lock_guard lock(state.mutex);
  if (state.answers.empty()) return IDCANCEL;
  const UINT answer = state.answers[std::min(state.next_answer, state.answers.size() - 1)];
  ++state.next_answer;
  return answer;
}

const char* RefusalReason() {
  State& state = TheState();
  std::lock_guard lock(state.mutex);
  return state.refusal.c_str();
}

RECT ScreenWorkArea() {
  if (CurrentPresentation() != Presentation::kScreen) return kOffscreenWorkArea;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
  if (monitor == nullptr && display != nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return kOffscreenWorkArea;
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
}

}  // namespace DuiLib
