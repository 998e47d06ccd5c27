#pragma once
// The skin's images, drawn here rather than kept as binaries: each has the
// name, size and role the windows' layouts expect.

#include <string>
#include <vector>

namespace skin {

struct Artwork {
  std::string name;  // file name in the skin archive
  std::string png;   // the image
};

// Every image of the skin archive.
std::vector<Artwork> DrawSkinImages();
// The program's window icon (resource 101).
std::string DrawWindowIcon();

}  // namespace skin
