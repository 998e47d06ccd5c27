#pragma once
// One LauncherLog record: "<ctime> |<level>|<source>|<line>|<function>|<message>\n".

#include <ctime>
#include <string>
#include <string_view>

// The C library's ctime form without its newline: "Wed Mar  5 09:05:07 2023".
std::string CtimeText(const std::tm& localTime);

// The source field: the text after the last backslash ("/" is kept, so
// "a/b/c" stays whole).
std::string_view SourceFileName(std::string_view sourcePath);

std::string RecordLine(std::string_view ctimeText, int level, std::string_view sourceFile, int line,
                       std::string_view function, std::string_view message);
