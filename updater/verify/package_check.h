#pragma once
// Whether a downloaded package is the one the update order names.

#include <string>

// The file's MD5 equals `expectedMd5` (hexadecimal, letter case ignored). An
// empty expected digest never matches, nor does a file that cannot be read.
bool PackageDigestMatches(const std::string& packagePath, const std::string& expectedMd5);
