#pragma once

namespace DuiLib {

// Maps the font family the layouts name, "微软雅黑" (Microsoft YaHei), to a CJK
// font installed from Debian, through a fontconfig rule added to the process's
// configuration. Runs once; every text function calls it before pango does.
void RegisterFontAliases();

}  // namespace DuiLib
