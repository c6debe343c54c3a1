#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "apps/cli_folder.h"
#include "apps/cli_runner.h"
#include "image/image_io.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

constexpr Pixel kRed = test::kTemplateRed;

using CliBatch = test::CliFolder;

TEST_F(CliBatch, MixedRunSortsFilesWritesTheReportAndExitsOne) {
  const std::string a = picture("a.PNG"), b = picture("b.gif"), c = picture("c.jpeg");
  const std::string missing = folder.file("in/missing.bmp");
  test::writeBytes(folder.file("in/broken.jpg"), Bytes{0xFF, 0xD8, 0xFF});
  const std::string report = folder.file("report.txt");
  const CliRun run = runCli("batch --template " + templatePath + " --anchor top-left --out " + out +
                            " --jobs 2 --report " + report + " " + a + " " + missing + " " + b +
                            " " + folder.file("in/broken.jpg") + " " + c);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("当前处理的文件有5个"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("保存成功的有3个"), std::string::npos);
  EXPECT_EQ(run.out.find("是否要查看详细报告?"), std::string::npos);
  for (const char* name : {"a.PNG", "b.gif", "c.jpeg"}) {
    const Surface result = loadPictureFile(folder.file(std::string("out/") + name)).value();
    // Within what JPEG and the GIF palette keep of pure red and white.
    EXPECT_GE(redOf(result.pixel(0, 0)), 240) << name;
    EXPECT_LT(greenOf(result.pixel(5, 3)), 40) << name;
    EXPECT_GE(greenOf(result.pixel(12, 0)), 240) << name;
  }
  const Bytes text = test::readBytes(report);
  const std::string written(text.begin(), text.end());
  const std::string failedPart =
      "文件如下:\r\n" + missing + "\r\n\r\n" + folder.file("in/broken.jpg") + "\r\n\r\n";
  EXPECT_NE(written.find(failedPart), std::string::npos) << written;
  EXPECT_NE(written.find("保存成功的文件有3个\r\n\r\n文件如下:\r\n" + a + "\r\n" + b + "\r\n" + c +
                         "\r\n"),
            std::string::npos);
}

TEST_F(CliBatch, EverySavedExitsZeroAndASecondSameNameIsNumbered) {
  const std::string first = picture("same.png", 20, 10);
  const std::string later = picture("again/same.png", 30, 12);
  const std::string report = folder.file("report.txt");
  const CliRun run = runCli("batch --template " + templatePath + " --percent 50,50 --out " + out +
                            "/ --report " + report + " " + first + " " + later);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(loadPictureFile(folder.file("out/same.png")).value().width(), 20);
  const Surface result = loadPictureFile(folder.file("out/same (2).png")).value();
  EXPECT_EQ(result.width(), 30);
  EXPECT_EQ(result.pixel(15, 6), kRed);
  EXPECT_EQ(result.pixel(14, 6), kPixelWhite);
  const Bytes text = test::readBytes(report);
  EXPECT_NE(std::string(text.begin(), text.end()).find(later + " -> " + out + "/same (2).png"),
            std::string::npos);
}

// Results written back over the listed pictures only when asked for.
TEST_F(CliBatch, ReplacingTheListedPicturesTakesOverwriteSources) {
  const std::string a = picture("a.png"), b = picture("b.gif");
  const std::string command =
      "batch --template " + templatePath + " --anchor top-left --out " + folder.file("in") + " ";
  const CliRun refused = runCli(command + a + " " + b, true);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(refused.out.find("2 listed pictures"), 13u) << refused.out;  // after "imbrino-cli: "
  EXPECT_NE(refused.out.find("--overwrite-sources"), std::string::npos);
  EXPECT_EQ(loadPictureFile(a).value().pixel(0, 0), kPixelWhite);

  EXPECT_EQ(runCli(command + "--overwrite-sources " + a + " " + b).exitCode, 0);
  EXPECT_EQ(loadPictureFile(a).value().pixel(0, 0), kRed);
  EXPECT_GE(redOf(loadPictureFile(b).value().pixel(0, 0)), 240);
}

TEST_F(CliBatch, ExitCodesTellWhatWentWrong) {
  const std::string a = picture("a.png");
  test::writeBytes(folder.file("bad.src"), Bytes{1, 2, 3});
  const std::string run = "batch --template " + templatePath + " ";
  const std::string toOut = run + "--out " + out + " ";
  const struct {
    std::string arguments;
    int exitCode;
  } cases[] = {
      {"batch --template " + folder.file("bad.src") + " --out " + out + " " + a, 3},
      {toOut, 2},
      {run + a, 2},
      {toOut + "--jobs 0 " + a, 2},
      {toOut + "--anchor middle " + a, 2},
      {toOut + "--shard 3/2 " + a, 2},
      {toOut + "--files-from " + folder.file("no-list") + " " + a, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(runCli(c.arguments).exitCode, c.exitCode) << c.arguments;
  EXPECT_TRUE(std::filesystem::is_empty(out));
  EXPECT_EQ(runCli(toOut + a).exitCode, 0);
  EXPECT_EQ(runCli(toOut + a + " " + folder.file("in/missing.png")).exitCode, 1);
}

TEST_F(CliBatch, AMissingOutputFolderIsMadeWithItsParents) {
  const std::string a = picture("a.png");
  const std::string fresh = folder.file("new/deeper/out");
  const CliRun run = runCli("batch --template " + templatePath + " --anchor top-left --out " +
                            fresh + " " + a + " " + folder.file("in/missing.png"));
  EXPECT_EQ(run.exitCode, 1);  // one file fails, the other is written
  EXPECT_EQ(loadPictureFile(fresh + "/a.png").value().pixel(0, 0), kRed);
}

TEST_F(CliBatch, AnOutputFolderThatCannotBeUsedIsRefusedAtOnce) {
  const std::string a = picture("a.png");
  test::writeBytes(folder.file("file"), Bytes{1});
  for (const std::string& bad :
       {std::string("\"\""), folder.file("file"), folder.file("file/sub")}) {
    const CliRun run = runCli("batch --template " + templatePath + " --out " + bad + " " + a, true);
    EXPECT_EQ(run.exitCode, 4) << bad;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
  }
  EXPECT_TRUE(std::filesystem::is_empty(out));
  EXPECT_FALSE(std::filesystem::exists("a.png"));
}

// The link stays a link and the picture it points to is the one stamped.
TEST_F(CliBatch, StampingOntoALinkedPictureReplacesTheLinkTarget) {
  const std::string target = picture("target.png");
  const std::string link = folder.file("link.png");
  std::filesystem::create_symlink(target, link);
  EXPECT_EQ(runCli("stamp --anchor top-left " + templatePath + " " + link + " " + link).exitCode,
            0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(loadPictureFile(target).value().pixel(0, 0), kRed);
}

TEST_F(CliBatch, ScaledAutomaticRunSaysWhereEachMarkWent) {
  const std::string a = picture("a.png"), b = picture("b.jpg", 40, 30);
  const CliRun run =
      runCli("batch --template " + templatePath + " --scale 50 --anchor auto --verbose --out " +
                 out + " " + a + " " + b,
             true);
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("a.png: mark 10 x 7 at bottom-right"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("b.jpg: mark 20 x 13 at bottom-right"), std::string::npos) << run.out;
  const Surface stamped = loadPictureFile(out + "/a.png").value();
  const Pixel* bottom = stamped.row(stamped.height() - 1);
  EXPECT_EQ(std::count(bottom, bottom + stamped.width(), kRed), 10);

  for (const char* bad : {"--scale 0", "--scale 101", "--scale-by diagonal", "--tile-gap 501",
                          "--tile-angle 91", "--anchor autumn"})
    EXPECT_EQ(
        runCli("batch --template " + templatePath + " " + bad + " --out " + out + " " + a).exitCode,
        2)
        << bad;
}

}  // namespace
}  // namespace imbrino
