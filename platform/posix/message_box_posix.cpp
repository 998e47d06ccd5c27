#include <gtk/gtk.h>
#include <stdlib.h>

#include <cstdio>
#include <string_view>

#include "platform/message_box.h"
#include "platform/text.h"

namespace platform {
namespace {

bool IsSet(const char* name) {
  const char* value = getenv(name);
  return value != nullptr && value[0] != '\0';
}

// GTK can be set up once per process; a display that failed once stays failed.
bool DisplayIsUsable() {
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return false;
  static const bool usable = gtk_init_check(nullptr, nullptr) != FALSE;
  return usable;
}

PromptAnswer AskWithDialog(const std::string& text, const std::string& caption) {
  // GTK rejects invalid UTF-8; show what can be shown rather than nothing.
  const std::string shown_text = ReplaceInvalidUtf8(text);
  const std::string shown_caption = ReplaceInvalidUtf8(caption);
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                             GTK_BUTTONS_OK_CANCEL, "%s", shown_text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), shown_caption.c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration();
  return response == GTK_RESPONSE_OK ? PromptAnswer::kOk : PromptAnswer::kCancel;
}

// Without a display, automation answers; anything but "ok" is the safe Cancel.
PromptAnswer AnswerFromEnvironment(const std::string& text, const std::string& caption) {
  const char* setting = getenv("VESKA_PROMPT_ANSWER");
  const PromptAnswer answer =
      setting != nullptr && std::string_view(setting) == "ok" ? PromptAnswer::kOk : PromptAnswer::kCancel;
  const std::string line = "prompt: caption=" + caption + " text=" + text +
                           " answer=" + (answer == PromptAnswer::kOk ? "ok" : "cancel") + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return answer;
}

}  // namespace

PromptAnswer AskOkCancel(const std::string& text_utf8, const std::string& caption_utf8) {
  if (DisplayIsUsable()) return AskWithDialog(text_utf8, caption_utf8);
  return AnswerFromEnvironment(text_utf8, caption_utf8);
}

}  // namespace platform
