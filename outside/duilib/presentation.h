#pragma once
// How windows reach a person, decided once per process on first use:
//   kScreen      a display can be opened (DISPLAY or WAYLAND_DISPLAY): real
//                GTK windows.
//   kAutomation  no display, VESKA_WINDOW_ANSWER set to close codes ("2", or
//                "2,1" for one code per modal window in turn, the last one
//                repeating): each modal window writes its texts to standard
//                error as one "window: ..." line and closes itself with the
//                next code, as if a person had closed it. Other windows are
//                written down as automation_record.h says.
//   kRefused     neither: windows can be made but not shown; ShowModal says
//                so on standard error and returns at once (-1).
//   kOffscreen   asked for by the program (UseOffscreenPresentation): windows
//                are painted only into images and their input comes from the
//                program itself (previews, in-process tests).

#include <optional>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

enum class Presentation { kScreen, kAutomation, kRefused, kOffscreen };

Presentation CurrentPresentation();

// Must come before the first window.
void UseOffscreenPresentation();

// The close code for the next modal window under kAutomation.
UINT NextAutomationAnswer();

// Why windows cannot be shown under kRefused, for the message.
const char* RefusalReason();

// The work area windows are placed in: the monitor's under kScreen, a
// 1920 by 1080 screen otherwise.
RECT ScreenWorkArea();

}  // namespace DuiLib
