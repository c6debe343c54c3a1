#pragma once
// A test folder for imbrino-cli runs: "in" for pictures (with "in/again" for
// pictures of the same name), an empty "out", and a 6 x 4 opaque red template.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/image_io.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino::test {

inline constexpr Pixel kTemplateRed = makePixel(255, 0, 0);

class CliFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder.path() / "in" / "again");
    std::filesystem::create_directories(folder.path() / "out");
    Template stamp;
    stamp.background = {6, 4, 0, 0x000000FF, 255, 0, 0};
    ASSERT_TRUE(writeTemplateFile(templatePath, stamp));
  }

  // A white picture under "in/", in the format of its extension.
  std::string picture(const std::string& name, int width = 20, int height = 10) {
    const std::string path = folder.file("in/" + name);
    const Surface white = Surface::create(width, height).value();
    writeBytes(path, encodePicture(white, codecFormatOf(imageTypeOfPath(path))).value());
    return path;
  }

  TempFolder folder;
  const std::string templatePath = folder.file("stamp.src");
  const std::string out = folder.file("out");
};

}  // namespace imbrino::test
