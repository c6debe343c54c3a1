#include "template/template_fields.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

#include "platform/gbk.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

TEST(TemplateFields, NamesComeFromThePathAndTheDateFromTheRecord) {
  PictureOrigin origin;
  origin.taken = TakenTime{2024, 5, 1, 9, 5};
  const PictureFields fields =
      pictureFieldsFor("/照片/2024/假期 01.final.JPG", origin, 6000, 4000, {7, 120});
  EXPECT_EQ(fields.name, "假期 01.final");
  EXPECT_EQ(fields.file, "假期 01.final.JPG");
  EXPECT_EQ(fields.folder, "2024");
  EXPECT_EQ(fields.date + " " + fields.time + " " + fields.year, "2024-05-01 09:05 2024");
}

TEST(TemplateFields, WithoutADateTakenTheFilesLastChangeCounts) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  test::TempFolder folder;
  const std::string path = folder.file("plain.png");
  test::writeBytes(path, Bytes{1});
  const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};  // 2023-11-14 22:13:20 UTC
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  const PictureFields fields = pictureFieldsFor(path, {}, 1, 1, {});
  EXPECT_EQ(fields.date, "2023-11-14");
  EXPECT_EQ(fields.time, "22:13");
  EXPECT_EQ(fields.year, "2023");
  // And a file that is gone leaves them empty.
  EXPECT_EQ(pictureFieldsFor(folder.file("gone.png"), {}, 1, 1, {}).date, "");
}

TEST(TemplateFields, OnlyDatesAndCamerasNeedTheMetadata) {
  Template document;
  document.textObjects.resize(2);
  document.textObjects[0].setText("{name} {index:3}");
  document.textObjects[1].setText(*utf8ToGbk("{{date}} {序号}"));
  EXPECT_TRUE(templateUsesFields(document));
  EXPECT_FALSE(templateNeedsPictureOrigin(document));
  document.textObjects[1].setText(*utf8ToGbk("{日期}"));
  EXPECT_TRUE(templateNeedsPictureOrigin(document));
}

}  // namespace
}  // namespace imbrino
