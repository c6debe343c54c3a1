#include <gtest/gtest.h>

#include <filesystem>

#include "apps/cli_runner.h"
#include "image/image_io.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

const std::string kSample = std::string(IMBRINO_SOURCE_DIR) + "/assets/samples/sample.src";

std::string blankTemplate(const test::TempFolder& folder, int width, int height) {
  const std::string path =
      folder.file(std::to_string(width) + "x" + std::to_string(height) + ".src");
  Template document;
  document.background = {width, height, 0, 0x00FF0000, 255, 0, 0};
  EXPECT_TRUE(writeTemplateFile(path, document));
  return path;
}

// Thumbnailers name the output themselves, often without an extension.
TEST(CliThumbnail, FitsTheLongerSideNeverEnlargesAndWritesPng) {
  test::TempFolder folder;
  const TemplateBackground sample = readTemplate(kSample).value().background;
  const struct {
    std::string path;
    int size, width, height;
  } cases[] = {
      {kSample, 128, 128, (sample.height * 128 + sample.width / 2) / sample.width},
      {blankTemplate(folder, 40, 100), 50, 20, 50},
      {blankTemplate(folder, 6, 4), 128, 6, 4},
      {blankTemplate(folder, 2, 1000), 128, 1, 128},
  };
  for (const auto& c : cases) {
    const std::string out = folder.file("thumb");
    ASSERT_EQ(
        runCli("render --thumbnail " + std::to_string(c.size) + " " + c.path + " " + out).exitCode,
        0)
        << c.path;
    const Surface thumb = decodePicture(test::readBytes(out), CodecFormat::Png).value();
    EXPECT_EQ(thumb.width(), c.width) << c.path;
    EXPECT_EQ(thumb.height(), c.height) << c.path;
    std::filesystem::remove(out);
  }
}

TEST(CliThumbnail, ADamagedTemplateWritesNothing) {
  test::TempFolder folder;
  const Bytes whole = test::readBytes(kSample);
  const std::string truncated = folder.file("truncated.src");
  test::writeBytes(truncated, ByteView(whole).first(whole.size() / 2));
  const std::string out = folder.file("thumb.png");
  for (const std::string& path : {truncated, folder.file("missing.src")}) {
    EXPECT_NE(runCli("render --thumbnail 128 " + path + " " + out).exitCode, 0) << path;
    EXPECT_FALSE(std::filesystem::exists(out)) << path;
  }
}

}  // namespace
}  // namespace imbrino
