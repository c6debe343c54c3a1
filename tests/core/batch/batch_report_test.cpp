#include "batch/batch_report.h"

#include <gtest/gtest.h>

namespace imbrino {
namespace {

const std::string kRuler(95, '_');

TEST(BatchReport, SectionsInOrderWithBlankLinesAfterFailedPathsOnly) {
  const std::string report =
      composeReport({"/in/bad1.jpg", "/in/bad2.png"}, {"/in/a.bmp"}, {"/in/later.gif"});
  const std::string expected =
      "当前处理的总文件数为:4\r\n\r\n" + kRuler +
      "\r\n保存成功的文件有1个\r\n\r\n文件如下:\r\n/in/a.bmp\r\n"
      "\r\n\r\n" +
      kRuler +
      "\r\n保存时发生错误的文件有2个\r\n\r\n文件如下:\r\n/in/bad1.jpg\r\n\r\n/in/bad2.png\r\n\r\n"
      "\r\n\r\n" +
      kRuler + "\r\n尚未进行保存的文件有1个\r\n\r\n文件如下:\r\n/in/later.gif\r\n";
  EXPECT_EQ(report, expected);
}

TEST(BatchReport, EmptySectionsStillAppearWithoutAFileList) {
  const std::string report = composeReport({}, {"/a.jpg", "/b.jpg"}, {"/c.jpg"});
  const std::string expected = "当前处理的总文件数为:3\r\n\r\n" + kRuler +
                               "\r\n保存成功的文件有2个\r\n\r\n文件如下:\r\n/a.jpg\r\n/b.jpg\r\n"
                               "\r\n\r\n" +
                               kRuler +
                               "\r\n保存时发生错误的文件有0个\r\n\r\n"
                               "\r\n\r\n" +
                               kRuler +
                               "\r\n尚未进行保存的文件有1个\r\n\r\n文件如下:\r\n/c.jpg\r\n";
  EXPECT_EQ(report, expected);
  EXPECT_EQ(composeReport({}, {}, {}), "当前处理的总文件数为:0\r\n\r\n" + kRuler +
                                           "\r\n保存成功的文件有0个\r\n\r\n\r\n\r\n" + kRuler +
                                           "\r\n保存时发生错误的文件有0个\r\n\r\n\r\n\r\n" +
                                           kRuler + "\r\n尚未进行保存的文件有0个\r\n\r\n");
}

TEST(BatchReport, RenamedResultsComeLastAndOnlyWhenThereAreAny) {
  BatchLists lists;
  lists.savedFiles = {"/a/x.jpg", "/b/x.jpg"};
  EXPECT_EQ(composeReport(lists), composeReport({}, lists.savedFiles, {}));
  lists.renamedFiles = {{"/b/x.jpg", "/out/x (2).jpg"}};
  EXPECT_EQ(composeReport(lists), composeReport({}, lists.savedFiles, {}) + "\r\n\r\n" + kRuler +
                                      "\r\n因重名而改名保存的文件有1个\r\n\r\n文件如下:\r\n"
                                      "/b/x.jpg -> /out/x (2).jpg\r\n");
}

TEST(BatchReport, SummaryTextAndIcon) {
  BatchLists lists;
  lists.savedFiles = {"a", "b"};
  lists.pendingFiles = {"c"};
  EXPECT_EQ(batchSummaryText(3, lists),
            "处理完成!\n\n当前处理的文件有3个\n\n\t保存成功的有2个\n\n\t保存时发生错误的有0个\n\n"
            "\t尚未进行保存处理的有1个\n\n是否要查看详细报告?");
  EXPECT_EQ(batchSummaryIcon(lists), SummaryIcon::Question);
  lists.failedFiles = {"d"};
  EXPECT_EQ(batchSummaryIcon(lists), SummaryIcon::Error);
}

}  // namespace
}  // namespace imbrino
