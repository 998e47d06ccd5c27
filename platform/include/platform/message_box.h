#pragma once
// An OK/Cancel question to the user.
//
// With a display (DISPLAY or WAYLAND_DISPLAY set and GTK able to open it) a
// real dialog is shown. Without one the answer comes from VESKA_PROMPT_ANSWER
// ("ok" or "cancel"; unset or anything else means Cancel, the safe answer),
// and the text that would have been shown is written to standard error as
//   prompt: caption=<caption> text=<text> answer=<ok|cancel>

#include <string>

namespace platform {

enum class PromptAnswer { kOk, kCancel };

PromptAnswer AskOkCancel(const std::string& text_utf8, const std::string& caption_utf8);

}  // namespace platform
