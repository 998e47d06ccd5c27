#include "outside/duilib/automation_record.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "outside/duilib/native_window.h"
#include "outside/duilib/presentation.h"
#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"
#include "outside/duilib/window_system.h"
#include "platform/text.h"

namespace DuiLib::native {
namespace {

std::vector<std::string> TextItems(HWND hwnd) {
  return hwnd->painter != nullptr ? hwnd->painter->DescribeTextItems() : std::vector<std::string>();
}

// Items of `now` that `before` did not hold as often: what a viewer would
// see change.
std::vector<std::string> Changed(std::vector<std::string> before, const std::vector<std::string>& now) {
  std::vector<std::string> changed;
  for (const std::string& item : now) {
    const auto seen = std::find(before.begin(), before.end(), item);
    if (seen != before.end()) {
      before.erase(seen);
    } else {
      changed.push_back(item);
    }
  }
  return changed;
}

// Windows whose changes are still to be written, so that any other line
// written first finds them written.
std::vector<std::pair<HWND, std::uint64_t>>& Pending() {
  static auto* pending = new std::vector<std::pair<HWND, std::uint64_t>>;
  return *pending;
}

void RecordChanges(HWND hwnd, std::uint64_t serial) {
  std::erase(Pending(), std::make_pair(hwnd, serial));
  if (!IsAlive(hwnd, serial) || !hwnd->record_pending) return;
  hwnd->record_pending = false;
  if (!hwnd->recorded || !hwnd->visible) return;
  std::vector<std::string> now = TextItems(hwnd);
  const std::vector<std::string> changed = Changed(hwnd->recorded_items, now);
  hwnd->recorded_items = std::move(now);
  if (changed.empty()) return;
  std::string line = "window: class=" + platform::Utf16ToUtf8(hwnd->class_name);
  for (const std::string& item : changed) line += " " + item;
  WriteLine(line + "\n");
}

void WritePendingChanges() {
  const auto pending = Pending();
  for (const auto& [hwnd, serial] : pending) RecordChanges(hwnd, serial);
}

}  // namespace

void WriteLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

std::string DescribeWindow(HWND hwnd) {
  std::string line = "window: class=" + platform::Utf16ToUtf8(hwnd->class_name) +
                     " caption=" + platform::Utf16ToUtf8(hwnd->caption);
  for (const std::string& item : TextItems(hwnd)) line += " " + item;
  return line;
}

void RecordShown(HWND hwnd) {
  WritePendingChanges();
  switch (CurrentPresentation()) {
    case Presentation::kAutomation:
      if (hwnd->recorded) return;
      hwnd->recorded = true;
      hwnd->recorded_items = TextItems(hwnd);
      WriteLine(DescribeWindow(hwnd) + "\n");
      return;
    case Presentation::kRefused:
      WriteLine("duilib: cannot show the window \"" + platform::Utf16ToUtf8(hwnd->caption) +
                "\": " + RefusalReason() + "\n");
      return;
    case Presentation::kScreen:
    case Presentation::kOffscreen:
      return;
  }
}

void RecordChangesLater(HWND hwnd) {
  if (!hwnd->recorded || hwnd->record_pending) return;
  hwnd->record_pending = true;
  const std::uint64_t serial = hwnd->serial;
  Pending().emplace_back(hwnd, serial);
  UiThread::Post([hwnd, serial] { RecordChanges(hwnd, serial); });
}

void AnswerForAPerson(HWND hwnd) {
  // Its own changes are in the line below; those of other windows come first.
  if (hwnd->recorded) {
    hwnd->record_pending = false;
    hwnd->recorded_items = TextItems(hwnd);
  }
  WritePendingChanges();
  const UINT answer = NextAutomationAnswer();
  WriteLine(DescribeWindow(hwnd) + " answer=" + std::to_string(answer) + "\n");
  PostMessage(hwnd, WM_CLOSE, answer, 0);
}

}  // namespace DuiLib::native
