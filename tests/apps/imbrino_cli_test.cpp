#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "image/codecs.h"
#include "platform/byte_stream.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

struct CliRun {
  int exitCode = -1;
  std::string out;
};

CliRun runCli(const std::string& arguments) {
  const std::string command = std::string(IMBRINO_CLI) + " " + arguments + " 2>/dev/null";
  CliRun run;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

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

}  // namespace
}  // namespace imbrino
