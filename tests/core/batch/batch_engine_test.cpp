#include "batch/batch_engine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/image_io.h"
#include "platform/gbk.h"
#include "render/template_compose.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

constexpr Pixel kRed = makePixel(255, 0, 0);

// Records what a run reports, as the batch window would show it.
class RecordedProgress : public BatchProgress {
 public:
  void setRange(int low, int high) override { range = {low, high}; }
  void setPosition(int position) override { positions.push_back(position); }
  void setStatus(const std::string& text) override { statuses.push_back(text); }
  void fileFinished(int row, const std::string&, FileOutcome outcome,
                    const std::string& reason) override {
    rows.push_back(row);
    if (outcome == FileOutcome::Failed) reasons.push_back(reason);
    if (onFile) onFile(row);
  }

  std::pair<int, int> range{-1, -1};
  std::vector<int> positions;
  std::vector<std::string> statuses;
  std::vector<int> rows;
  std::vector<std::string> reasons;
  std::function<void(int)> onFile;
};

class BatchEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    stamp.background = {4, 2, 0, 0x000000FF, 255, 0, 0};  // a red 4 x 2 block
    std::filesystem::create_directories(folder.path() / "in" / "sub");
    std::filesystem::create_directories(folder.path() / "out");
    job.document = &stamp;
    job.outputFolder = folder.file("out");
  }

  std::string input(const std::string& name, int width = 10, int height = 6) {
    const std::string path = folder.file("in/" + name);
    const Surface picture = Surface::create(width, height, kPixelWhite).value();
    auto type = imageTypeOfPath(path);
    const auto bytes =
        encodePicture(picture, codecFormatOf(type == ImageType::Unknown ? ImageType::Bmp : type))
            .value();
    test::writeBytes(path, bytes);
    return path;
  }

  Surface output(const std::string& name) {
    return loadPictureFile(folder.file("out/" + name)).value();
  }

  test::TempFolder folder;
  Template stamp;
  BatchJob job;
  RecordedProgress progress;
  std::atomic<bool> running{true};
};

TEST_F(BatchEngine, EveryFormatIsWrittenUnderItsOwnNameWithTheStampInPlace) {
  job.files = {input("a.bmp"), input("b.JPG"), input("c.gif"), input("d.png"), input("e.jpeg")};
  job.values = {2, 2};  // bottom-right
  const BatchResult result = runBatch(job, progress, running);
  EXPECT_EQ(result.lists.savedFiles, job.files);
  EXPECT_TRUE(result.lists.failedFiles.empty());
  EXPECT_FALSE(running);
  for (const char* name : {"a.bmp", "c.gif", "d.png"}) {
    const Surface out = output(name);
    EXPECT_EQ(out.pixel(9, 5), kRed) << name;
    EXPECT_EQ(out.pixel(6, 4), kRed) << name;
    EXPECT_EQ(out.pixel(5, 5), kPixelWhite) << name;
    EXPECT_EQ(out.pixel(9, 3), kPixelWhite) << name;
  }
  const Surface jpeg = output("b.JPG");
  EXPECT_GT(redOf(jpeg.pixel(8, 5)), 200);
  EXPECT_LT(greenOf(jpeg.pixel(8, 5)), 60);

  // The bar counts finished files and stays full at the end.
  EXPECT_EQ(progress.range, std::make_pair(0, 5));
  EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(progress.statuses.front(), "文件总数为:5   正在处理第1个文件");
  EXPECT_EQ(progress.statuses.back(), "文件总数为:5");
}

TEST_F(BatchEngine, FieldsTakeEachPicturesOwnValuesOnBothJpegPaths) {
  stamp.background = {120, 24, 0, 0x00FFFFFF, 255, 0, 0};
  TextObject text;
  text.zOrder = 1;
  text.font.lfHeight = 16;
  text.textColour = 0;
  text.setText(*utf8ToGbk("{name} {index}/{count} {width}"));
  stamp.textObjects = {text};
  job.files = {input("one.png", 130, 30), input("two.jpg", 140, 30)};
  job.values = {0, 0};
  for (const JpegWriting writing : {JpegWriting::Reencode, JpegWriting::Keep}) {
    SCOPED_TRACE(writing == JpegWriting::Keep ? "keep" : "reencode");
    job.jpeg = writing;
    running = true;
    EXPECT_EQ(runBatch(job, progress, running).lists.savedFiles, job.files);
    // Each result as the template typed with that picture's values gives it.
    const std::pair<const char*, const char*> typed[] = {{"one.png", "one 1/2 130"},
                                                         {"two.jpg", "two 2/2 140"}};
    for (const auto& [name, content] : typed) {
      Template expectedStamp;
      expectedStamp.background = stamp.background;
      expectedStamp.textObjects = {text};
      expectedStamp.textObjects[0].setText(content);
      Surface expected = loadPictureFile(folder.file(std::string("in/") + name)).value();
      drawTemplate(expected, 0, 0, expectedStamp, false, false);
      const Surface out = output(name);
      int far = 0;  // the JPEG's own loss aside
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 120; ++x)
          far += std::abs(greenOf(out.pixel(x, y)) - greenOf(expected.pixel(x, y))) > 48;
      EXPECT_EQ(far, 0) << name;
    }
  }
}

TEST_F(BatchEngine, MissingBrokenAndUnknownFilesFailAndTheRunGoesOn) {
  const std::string unknown = input("picture.tif");  // a BMP inside: composed, never written
  test::writeBytes(folder.file("in/broken.png"), Bytes{1, 2, 3});
  job.files = {folder.file("in/gone.jpg"), input("ok.png"), folder.file("in/broken.png"), unknown};
  const BatchResult result = runBatch(job, progress, running);
  EXPECT_EQ(result.lists.savedFiles, std::vector<std::string>{job.files[1]});
  EXPECT_EQ(result.lists.failedFiles,
            (std::vector<std::string>{job.files[0], job.files[2], job.files[3]}));
  EXPECT_FALSE(std::filesystem::exists(folder.file("out/picture.tif")));
  EXPECT_EQ(progress.reasons.size(), 3u);
  EXPECT_EQ(batchSummaryIcon(result.lists), SummaryIcon::Error);
}

TEST_F(BatchEngine, AMissingOutputFolderFailsEveryFileWithoutCreatingIt) {
  job.files = {input("a.png"), input("b.png")};
  job.outputFolder = folder.file("nowhere/");
  const BatchResult result = runBatch(job, progress, running);
  EXPECT_EQ(result.lists.failedFiles.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(folder.file("nowhere")));
}

TEST_F(BatchEngine, StopFinishesTheFileInHandAndLeavesTheRestPendingInOrder) {
  for (int i = 0; i < 5; ++i) job.files.push_back(input("p" + std::to_string(i) + ".png"));
  progress.onFile = [&](int row) {
    if (row == 1) running = false;  // pressed while the second file was in hand
  };
  const BatchResult result = runBatch(job, progress, running);
  EXPECT_EQ(result.lists.savedFiles.size(), 2u);
  EXPECT_EQ(result.lists.pendingFiles,
            (std::vector<std::string>{job.files[2], job.files[3], job.files[4]}));
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(batchSummaryText(result.rowCount, result.lists).substr(0, 40),
            batchSummaryText(5, result.lists).substr(0, 40));
  EXPECT_FALSE(std::filesystem::exists(folder.file("out/p2.png")));
}

TEST_F(BatchEngine, SeveralWorkersKeepRowOrderAndASecondSameNameIsNumbered) {
  for (int i = 0; i < 12; ++i) job.files.push_back(input("p" + std::to_string(i) + ".png", 30, 20));
  // The same name twice: both results are kept.
  const std::string later = input("sub/p3.png", 40, 8);
  job.files.push_back(later);
  job.files.insert(job.files.begin() + 5, folder.file("in/missing.png"));
  job.workers = 4;
  const BatchResult result = runBatch(job, progress, running);
  std::vector<std::string> expectedSaved = job.files;
  expectedSaved.erase(expectedSaved.begin() + 5);
  EXPECT_EQ(result.lists.savedFiles, expectedSaved);
  EXPECT_EQ(result.lists.failedFiles, std::vector<std::string>{folder.file("in/missing.png")});
  EXPECT_EQ(output("p3.png").width(), 30);
  EXPECT_EQ(output("p3 (2).png").width(), 40);
  EXPECT_EQ(result.lists.renamedFiles,
            (std::vector<RenamedOutput>{{later, folder.file("out") + "/p3 (2).png"}}));
  ASSERT_EQ(progress.positions.size(), job.files.size());
  for (std::size_t i = 0; i < job.files.size(); ++i) EXPECT_EQ(progress.positions[i], int(i + 1));
  EXPECT_EQ(progress.statuses[job.files.size() - 1], "文件总数为:14   正在处理第14个文件");
}

// Into the pictures' own folder: a picture is replaced only with consent,
// and each one, listed twice or not, is read before it is replaced and so
// stamped once, whatever the number of workers.
TEST_F(BatchEngine, ListedPicturesAreReplacedOnlyWithConsentAndStampedOnce) {
  stamp.background.alpha = 128;  // a second stamp would show
  job.outputFolder = folder.file("in");
  job.values = {2, 2};
  for (const auto& [consent, workers] : {std::pair{false, 1}, {true, 1}, {true, 4}}) {
    std::filesystem::remove(folder.file("in/x (2).png"));
    const std::string x = input("x.png"), y = input("y.png");
    job.files = {x, y, x};
    job.replaceListed = consent;
    job.workers = workers;
    running = true;
    const BatchResult result = runBatch(job, progress, running);
    // Without consent only the numbered copy is written.
    const std::vector<std::string> stamped =
        consent ? std::vector<std::string>{"x.png", "y.png", "x (2).png"}
                : std::vector<std::string>{"x (2).png"};
    EXPECT_EQ(result.lists.savedFiles.size(), stamped.size()) << workers;
    for (const std::string& name : stamped)
      EXPECT_NEAR(greenOf(loadPictureFile(folder.file("in/" + name)).value().pixel(9, 5)), 127, 2)
          << name << workers;
    if (!consent) {
      EXPECT_NE(progress.reasons.back().find("replace the picture itself"), std::string::npos);
      EXPECT_EQ(loadPictureFile(x).value().pixel(9, 5), kPixelWhite);
    }
  }
}

TEST_F(BatchEngine, AnEmptyListEndsAtOnce) {
  const BatchResult result = runBatch(job, progress, running);
  EXPECT_EQ(result.rowCount, 0);
  EXPECT_FALSE(running);
  EXPECT_TRUE(progress.statuses.empty());
}

TEST_F(BatchEngine, AnEmptyOutputFolderFailsEveryFileAndWritesNothing) {
  // Unusual names, so a write into the root or the current folder would show.
  job.files = {input("imbrino-empty-out-a.png"), input("imbrino-empty-out-b.bmp")};
  job.outputFolder = "";
  job.workers = 2;
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(folder.file("out"));
  const BatchResult result = runBatch(job, progress, running);
  std::filesystem::current_path(here);
  EXPECT_EQ(result.lists.failedFiles, job.files);
  ASSERT_EQ(progress.reasons.size(), 2u);
  EXPECT_NE(progress.reasons[0].find("no output folder"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(folder.file("out")));
  EXPECT_FALSE(std::filesystem::exists("/imbrino-empty-out-a.png"));
}

TEST(BatchOutputPath, FolderWithOrWithoutTrailingSlash) {
  EXPECT_EQ(outputPathFor("/out", "/in/a/photo.JPG"), "/out/photo.JPG");
  EXPECT_EQ(outputPathFor("/out/", "/in/a/photo.JPG"), "/out/photo.JPG");
  EXPECT_EQ(outputPathFor("out", "photo.png"), "out/photo.png");
  EXPECT_EQ(outputPathFor("", "/in/a/photo.png"), "");  // never the root folder
}

}  // namespace
}  // namespace imbrino
