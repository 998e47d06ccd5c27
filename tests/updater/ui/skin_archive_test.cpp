#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "outside/duilib/skin_files.h"
#include "outside/duilib/ui_render.h"
#include "platform/module_resources.h"

using DuiLib::CImage;
using DuiLib::SkinFiles;

namespace {

std::shared_ptr<SkinFiles> TheSkin() {
  const auto zip = platform::FindModuleResource(platform::ProgramModule(), u"ZIPRES", 102);
  if (!zip) return nullptr;
  std::string error;
  return SkinFiles::FromZip(*zip, error);
}

// The attribute values of "...image" attributes in a layout.
std::vector<std::string> ImagesNamedIn(std::string_view layout) {
  std::vector<std::string> names;
  for (auto at = layout.find("image=\""); at != std::string_view::npos; at = layout.find("image=\"", at)) {
    at += 7;
    names.emplace_back(layout.substr(at, layout.find('"', at) - at));
  }
  return names;
}

TEST(SkinArchiveTest, TheArchiveHoldsEveryLayoutAndImageInItsSize) {
  const auto skin = TheSkin();
  ASSERT_NE(skin, nullptr) << "the program carries no readable ZIPRES 102";

  struct Expected {
    std::string name;
    int width;
    int height;
  };
  std::vector<Expected> images = {{"UpdateBk.png", 884, 860},
                                  {"UpdateBkClose.png", 24, 24},
                                  {"UpdateBkMin.png", 24, 24},
                                  {"UpdateBkMax.png", 24, 24}};
  for (const std::string suffix : {"", "_en"}) {
    for (const std::string state : {"n", "h", "p"}) {
      const std::string tail = "_" + state + suffix + ".png";
      images.push_back({"btn_close" + tail, 14, 14});
      for (const char* button : {"btn_cancel", "btn_confirm"}) images.push_back({button + tail, 72, 24});
      for (const char* button : {"btn_common", "btn_launch", "btn_skip", "btn_install"}) {
        images.push_back({button + tail, 71, 26});
      }
    }
    images.push_back({"progress_bg" + suffix + ".png", 40, 2});
    images.push_back({"progress_fg" + suffix + ".png", 40, 2});
  }
  for (const auto& expected : images) {
    const auto bytes = skin->Read(expected.name);
    ASSERT_TRUE(bytes.has_value()) << expected.name << " is missing";
    const auto image = CImage::FromPng(*bytes);
    ASSERT_NE(image, nullptr) << expected.name << " is no PNG image";
    EXPECT_EQ(image->Width(), expected.width) << expected.name;
    EXPECT_EQ(image->Height(), expected.height) << expected.name;
  }
  const char* layouts[] = {"UpdaterWnd.xml",  "UpdaterWnd_en.xml", "LaunchWnd.xml",
                           "LaunchWnd_en.xml", "TipsBoxWnd.xml",   "TipsBoxWnd_en.xml"};
  for (const char* layout : layouts) {
    const auto text = skin->Read(layout);
    ASSERT_TRUE(text.has_value()) << layout;
    for (const auto& name : ImagesNamedIn(*text)) {
      EXPECT_TRUE(skin->Read(name).has_value()) << layout << " names " << name << ", which is missing";
    }
  }
  EXPECT_EQ(skin->Count(), images.size() + std::size(layouts)) << "nothing else in the archive";
}

// Each language's layouts use that language's pictures; the images the table
// calls unreferenced stay so.
TEST(SkinArchiveTest, EachLayoutUsesTheImagesOfItsLanguage) {
  const auto skin = TheSkin();
  ASSERT_NE(skin, nullptr);
  for (const char* layout : {"UpdaterWnd.xml", "LaunchWnd.xml", "TipsBoxWnd.xml", "UpdaterWnd_en.xml",
                             "LaunchWnd_en.xml", "TipsBoxWnd_en.xml"}) {
    const bool english = std::string_view(layout).ends_with("_en.xml");
    const auto names = ImagesNamedIn(skin->Read(layout).value_or(""));
    EXPECT_FALSE(names.empty()) << layout;
    for (const auto& name : names) {
      EXPECT_EQ(name.ends_with("_en.png"), english) << layout << " names " << name;
      for (const char* unused : {"btn_confirm", "btn_install", "UpdateBkMax"}) {
        EXPECT_FALSE(name.starts_with(unused)) << layout << " names " << name;
      }
    }
  }
  EXPECT_EQ(ImagesNamedIn(*skin->Read("UpdaterWnd.xml")),
            (std::vector<std::string>{"UpdateBk.png", "UpdateBkMin.png", "UpdateBkClose.png", "progress_bg.png",
                                      "progress_fg.png"}));
}

TEST(SkinArchiveTest, TheProgramCarriesItsWindowIcon) {
  const auto icon = platform::FindModuleResource(platform::ProgramModule(), u"#14", 101);
  ASSERT_TRUE(icon.has_value());
  const auto image =
      CImage::FromPng(std::string_view(reinterpret_cast<const char*>(icon->data()), icon->size()));
  ASSERT_NE(image, nullptr);
  EXPECT_GE(image->Width(), 32);
  EXPECT_EQ(image->Width(), image->Height());
}

}  // namespace
