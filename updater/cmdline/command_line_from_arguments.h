#pragma once
// The one command-line text the switch parser reads, made from a program's
// arguments (argv without the program name).
//
// The arguments are joined by single blanks. When the value of an argument
// (the text after its first "=") holds a blank, it is wrapped in double
// quotes, so that "-prompt=a b*c" passed as one argument reads as the value
// "a b*c". A value that already starts with a double quote is left as it is
// and ends at its next double quote, as in a Windows command line. A value
// cannot hold both a blank and a double quote.

#include <string>
#include <vector>

// `arguments` are UTF-8.
std::u16string CommandLineFromArguments(const std::vector<std::string>& arguments);
