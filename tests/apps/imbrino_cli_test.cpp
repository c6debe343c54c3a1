#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "apps/cli_runner.h"
#include "image/codecs.h"
#include "image/image_io.h"
#include "platform/byte_stream.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

TEST(CliInfo, TemplateIsPrintedWithItsRecordsInUtf8) {
  test::TempFolder folder;
  Template document;
  document.background.alpha = 100;
  TextObject text;
  text.selected = 2;
  text.zOrder = 2;
  document.textObjects.push_back(text);
  auto picture = std::make_unique<PictureObject>();
  picture->data = encodeBmp(test::makeTestPicture(5, 4)).value();
  picture->imageType = 5;
  picture->transparentColour = 0x00FF00FF;
  picture->zOrder = 1;
  document.pictureObjects.push_back(std::move(picture));
  ASSERT_TRUE(writeTemplateFile(folder.file("t.SRC"), document));

  const CliRun run = runCli("info " + folder.file("t.SRC"));
  ASSERT_EQ(run.exitCode, 0);
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["background"]["alpha"], 100);
  EXPECT_EQ(json["background"]["colour"], 16777215);
  EXPECT_EQ(json["background"]["textCount"], 1);
  const auto& t = json["textObjects"][0];
  EXPECT_EQ(t["text"], "文字内容");
  EXPECT_EQ(t["font"]["lfFaceName"], "宋体");
  EXPECT_EQ(t["font"]["lfHeight"], 12);
  EXPECT_EQ(t["selected"], 2);
  EXPECT_EQ(t["extent"][1], 12);
  EXPECT_GT(t["extent"][0], 0);
  const auto& p = json["pictureObjects"][0];
  EXPECT_EQ(p["imageType"], 5);
  EXPECT_EQ(p["transparentColour"], 0x00FF00FF);
  EXPECT_EQ(p["dataSize"], document.pictureObjects[0]->data.size());
}

TEST(CliInfo, PictureSizeAndType) {
  test::TempFolder folder;
  test::writeBytes(folder.file("p.PNG"), encodePng(test::makeTestPicture(7, 3)).value());
  const CliRun run = runCli("info " + folder.file("p.PNG"));
  ASSERT_EQ(run.exitCode, 0);
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json, nlohmann::json::parse(R"({"type": 4, "width": 7, "height": 3})"));
}

TEST(CliInfo, DamagedFilesAndBadUsageFail) {
  test::TempFolder folder;
  ByteWriter hostile;
  for (std::int32_t v : {250, 250, 0, 0, 255, 1000000, 1000000}) hostile.write(v);
  test::writeBytes(folder.file("hostile.src"), hostile.bytes());
  test::writeBytes(folder.file("bad.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16});
  EXPECT_EQ(runCli("info " + folder.file("hostile.src")).exitCode, 1);
  EXPECT_EQ(runCli("info " + folder.file("bad.jpg")).exitCode, 1);
  EXPECT_EQ(runCli("info " + folder.file("missing.png")).exitCode, 1);
  EXPECT_EQ(runCli("info").exitCode, 2);
  EXPECT_EQ(runCli("frobnicate x").exitCode, 2);
}

// --- render and stamp ------------------------------------------------------

constexpr Pixel kRed = makePixel(255, 0, 0);
constexpr Pixel kBlue = makePixel(0, 0, 255);

// A template of nothing but an opaque red background.
std::string writeRedTemplate(const test::TempFolder& folder, int width, int height) {
  Template document;
  document.background.width = width;
  document.background.height = height;
  document.background.colour = colorRefFromPixel(kRed);
  const std::string path = folder.file("red.src");
  EXPECT_TRUE(writeTemplateFile(path, document));
  return path;
}

Surface solid(int width, int height, Pixel colour) {
  return Surface::create(width, height, colour).value();
}

// Empty when the pictures are equal; otherwise the first difference.
std::string differences(const Surface& actual, const Surface& expected) {
  if (actual.width() != expected.width() || actual.height() != expected.height())
    return "size " + std::to_string(actual.width()) + " x " + std::to_string(actual.height());
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x)
      if (actual.pixel(x, y) != expected.pixel(x, y))
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return {};
}

Surface decoded(const std::string& path) {
  auto picture = loadPictureFile(path);
  EXPECT_TRUE(picture) << picture.reason();
  return picture ? std::move(picture).value() : Surface{};
}

TEST(CliRender, TemplateIsRenderedAtItsOwnSize) {
  test::TempFolder folder;
  const std::string red = writeRedTemplate(folder, 30, 20);
  ASSERT_EQ(runCli("render " + red + " " + folder.file("red.PNG")).exitCode, 0);
  EXPECT_EQ(differences(decoded(folder.file("red.PNG")), solid(30, 20, kRed)), "");
  ASSERT_EQ(runCli("render " + red + " " + folder.file("red.bmp")).exitCode, 0);
  EXPECT_EQ(differences(decoded(folder.file("red.bmp")), solid(30, 20, kRed)), "");

  // A transparent background leaves the white the template is rendered on.
  Template clear;
  clear.background.width = 7;
  clear.background.height = 9;
  clear.background.transparent = 1;
  clear.background.colour = 0;
  ASSERT_TRUE(writeTemplateFile(folder.file("clear.src"), clear));
  ASSERT_EQ(runCli("render " + folder.file("clear.src") + " " + folder.file("clear.png")).exitCode,
            0);
  EXPECT_EQ(differences(decoded(folder.file("clear.png")), solid(7, 9, kPixelWhite)), "");
}

TEST(CliRender, HandlesOnlyWhenAskedFor) {
  test::TempFolder folder;
  Template document;
  document.background.width = 80;
  document.background.height = 40;
  TextObject text;
  text.x = 10;
  text.y = 10;
  text.zOrder = 1;
  text.selected = 0;
  document.textObjects.push_back(text);
  ASSERT_TRUE(writeTemplateFile(folder.file("plain.src"), document));
  document.textObjects[0].selected = 1;
  ASSERT_TRUE(writeTemplateFile(folder.file("selected.src"), document));

  for (const char* name : {"plain", "selected"})
    ASSERT_EQ(runCli("render " + folder.file(std::string(name) + ".src") + " " +
                     folder.file(std::string(name) + ".png"))
                  .exitCode,
              0);
  ASSERT_EQ(
      runCli("render --handles " + folder.file("selected.src") + " " + folder.file("handles.png"))
          .exitCode,
      0);
  const Surface plain = decoded(folder.file("plain.png"));
  EXPECT_EQ(differences(decoded(folder.file("selected.png")), plain), "");
  EXPECT_NE(differences(decoded(folder.file("handles.png")), plain), "");
}

TEST(CliRender, FailuresWriteNothing) {
  test::TempFolder folder;
  const std::string out = folder.file("out.png");
  for (auto [width, height] : {std::pair{0, 10}, {10, -1}, {70000, 1}}) {
    const std::string bad = writeRedTemplate(folder, width, height);
    const CliRun run = runCli("render " + bad + " " + out, true);
    EXPECT_EQ(run.exitCode, 1) << width << " x " << height;
    EXPECT_TRUE(run.out.starts_with("imbrino-cli: " + bad + ": ")) << run.out;
  }
  const std::string red = writeRedTemplate(folder, 10, 10);
  EXPECT_EQ(runCli("render " + red + " " + folder.file("out.tif")).exitCode, 1);
  EXPECT_EQ(runCli("render " + red + " " + folder.file("out")).exitCode, 1);

  const CliRun missing = runCli("render " + folder.file("missing.src") + " " + out, true);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.out.starts_with(
      "imbrino-cli: cannot read the template: " + folder.file("missing.src") + ": "))
      << missing.out;
  EXPECT_EQ(runCli("render " + red).exitCode, 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

class CliStamp : public ::testing::Test {
 protected:
  void SetUp() override {
    // A 25 x 15 template on an 80 x 60 picture: room of 55 x 45.
    templatePath_ = writeRedTemplate(folder_, 25, 15);
    inputPath_ = folder_.file("in.bmp");
    test::writeBytes(inputPath_, encodeBmp(solid(80, 60, kBlue)).value());
  }

  // Stamps with `placement` and compares the result with the template at (x, y).
  void expectPlacedAt(const std::string& placement, int x, int y) {
    const std::string out = folder_.file("out.png");
    ASSERT_EQ(
        runCli("stamp " + templatePath_ + " " + inputPath_ + " " + out + " " + placement).exitCode,
        0)
        << placement;
    Surface expected = solid(80, 60, kBlue);
    expected.fillRect({x, y, 25, 15}, kRed);
    EXPECT_EQ(differences(decoded(out), expected), "") << placement;
  }

  test::TempFolder folder_;
  std::string templatePath_;
  std::string inputPath_;
};

TEST_F(CliStamp, AnchorsByEitherName) {
  expectPlacedAt("", 27, 22);
  expectPlacedAt("--anchor 正中", 27, 22);
  expectPlacedAt("--anchor CENTRE", 27, 22);
  expectPlacedAt("--anchor bottom-right", 55, 45);
  expectPlacedAt("--anchor 右下", 55, 45);
  expectPlacedAt("--anchor Top-Left", 0, 0);
  expectPlacedAt("--anchor 右上", 55, 0);
  expectPlacedAt("--anchor bottom", 27, 45);
  expectPlacedAt("--anchor=left", 0, 22);
}

TEST_F(CliStamp, PercentPlacesTheTopLeftCorner) {
  expectPlacedAt("--percent 25,50", 20, 30);
  expectPlacedAt("--percent 0,0", 0, 0);
  // The template runs off the picture and is clipped.
  expectPlacedAt("--percent 100,90", 80, 54);
}

TEST_F(CliStamp, OutputMayReplaceTheInput) {
  const std::string picture = folder_.file("picture.png");
  test::writeBytes(picture, encodePng(solid(80, 60, kBlue)).value());
  ASSERT_EQ(runCli("stamp " + templatePath_ + " " + picture + " " + picture).exitCode, 0);
  Surface expected = solid(80, 60, kBlue);
  expected.fillRect({27, 22, 25, 15}, kRed);
  EXPECT_EQ(differences(decoded(picture), expected), "");
}

TEST_F(CliStamp, BadPlacementsAreUsageErrors) {
  const std::string command =
      "stamp " + templatePath_ + " " + inputPath_ + " " + folder_.file("out.png") + " ";
  for (const char* placement :
       {"--percent 101,0", "--percent 0,101", "--percent=-1,0", "--percent 50",
        "--percent 50,50,50", "--percent a,b", "--percent ,50", "--percent '50, 50'",
        "--percent 99999999999,0", "--anchor middle", "--anchor 中", "--anchor ''",
        "--anchor top --percent 1,1", "--percent"})
    EXPECT_EQ(runCli(command + placement).exitCode, 2) << placement;
  EXPECT_FALSE(std::filesystem::exists(folder_.file("out.png")));
}

TEST_F(CliStamp, FailuresWriteNothing) {
  const auto stamp = [&](const std::string& in, const std::string& out) {
    return runCli("stamp " + templatePath_ + " " + in + " " + out, true);
  };
  EXPECT_EQ(stamp(inputPath_, folder_.file("out.tif")).exitCode, 1);
  EXPECT_EQ(stamp(inputPath_, folder_.file("out")).exitCode, 1);
  const CliRun missing = stamp(folder_.file("missing.png"), folder_.file("out.png"));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.out.starts_with("imbrino-cli: " + folder_.file("missing.png")))
      << missing.out;
  test::writeBytes(folder_.file("damaged.png"), Bytes{0x89, 'P', 'N', 'G'});
  EXPECT_EQ(stamp(folder_.file("damaged.png"), folder_.file("out.png")).exitCode, 1);
  EXPECT_EQ(runCli("stamp " + folder_.file("missing.src") + " " + inputPath_ + " " +
                   folder_.file("out.png"))
                .exitCode,
            1);
  EXPECT_EQ(runCli("stamp " + templatePath_ + " " + inputPath_).exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(folder_.file("out.png")));
  EXPECT_FALSE(std::filesystem::exists(folder_.file("out.tif")));
  EXPECT_FALSE(std::filesystem::exists(folder_.file("out")));
}

}  // namespace
}  // namespace imbrino
