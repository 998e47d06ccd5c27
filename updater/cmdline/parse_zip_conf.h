#pragma once
// The update record from the updater's command line.
//
// Switches: -url=<package address> -md5=<digest> -forcedupdate=<n>
// -newver=<version label> -prompt=<change-log lines joined by "*">
// -pagecallparam=<parameters for the launcher>.

#include <string_view>

#include "updater/cmdline/cmd_line_parser.h"
#include "updater/cmdline/zip_conf.h"

// Reads the switches, opens the updater log ("qelUpdater", level 0 and below),
// logs the raw values and builds the record for the running program's folders.
ZipConf parseZipConf(const char16_t* commandLine);

// The record for the switches in `parser` and an updater at `programPath`.
ZipConf ZipConfFrom(const CCmdLineParser& parser, std::string_view programPath);

// Leading blanks, an optional sign and decimal digits; 0 when nothing
// converts; clamped to the 32-bit range.
std::int32_t LeadingDecimal(std::u16string_view text);
