#include "updater/cmdline/usage_text.h"

const char* UpdaterUsageText() {
  return "usage: Updater.exe -url=<package address> -md5=<MD5 digest> [-forcedupdate=<n>]\n"
         "                   [-newver=<version>] [-prompt=<line*line*...>] [-pagecallparam=<text>]\n"
         "\n"
         "Switches start with \"-\"; keys are not case-sensitive; the first of a repeated\n"
         "switch counts. The arguments are joined into one command line with single\n"
         "blanks; an argument whose value (the text after its first \"=\") holds a blank\n"
         "has that value wrapped in double quotes, so -prompt=\"a b*c\" given to a shell\n"
         "(one argument) yields the value a b*c. A value that starts with a double quote\n"
         "runs to the next double quote; a value cannot hold both a blank and a double\n"
         "quote. Without quotes a value ends at the next blank.\n"
         "-forcedupdate=1 shows a notice and stops the running client before the\n"
         "download; any non-zero value installs the package right after the download;\n"
         "0 (or none) leaves it for the launcher's next start.\n";
}
