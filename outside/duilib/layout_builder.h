#pragma once
// Reads a window layout, the toolkit's XML format:
//
//   <Window size="310,100" caption="20" layered="false">
//     <Font id="0" name="微软雅黑" size="12" bold="false" default="true"/>
//     <VerticalLayout bkcolor="#FFF8F8F8">
//       <Label name="tipsLabel" text="..." font="0" textcolor="#FF333333"/>
//       <Button name="closeButton" width="14" height="14" normalimage="btn_close_n.png"/>
//     </VerticalLayout>
//   </Window>
//
// Window: size (width,height of the client area), caption (height of the band
// at the top that moves the window when dragged), layered (the window is
// painted with per-pixel transparency). Font: an entry of the font table that
// controls name by id. Then exactly one control, the root. Controls:
// Control (an empty space), Label, Button, Progress, List, VerticalLayout,
// HorizontalLayout; their attributes are those ApplyAttribute of each control
// class accepts. An unknown element, attribute or value is an error, so that a
// mistake in a layout shows when it is loaded rather than as a missing control.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "outside/duilib/ui_control.h"
#include "outside/duilib/ui_notify.h"

namespace DuiLib {

struct TWindowLayout {
  SIZE size;
  int caption_height = 0;
  bool layered = false;
  std::map<int, TFontInfo> fonts;
  int default_font = -1;
  std::unique_ptr<CControlUI> root;
};

class CDialogBuilder {
 public:
  // Empty when the layout is malformed; `error` then says where and why.
  static std::optional<TWindowLayout> Build(std::string_view xml, IDialogBuilderCallback* callback,
                                            std::string& error);
};

}  // namespace DuiLib
