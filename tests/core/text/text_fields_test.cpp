#include "text/text_fields.h"

#include <gtest/gtest.h>

namespace imbrino {
namespace {

PictureFields sampleFields() {
  PictureFields f;
  f.name = "假期 01";
  f.file = "假期 01.jpg";
  f.folder = "照片";
  f.date = "2024-05-01";
  f.time = "09:05";
  f.year = "2024";
  f.camera = "Canon EOS 80D";
  f.index = 7;
  f.count = 120;
  f.width = 6000;
  f.height = 4000;
  return f;
}

TEST(TextFields, ExpandsKnownFieldsAndKeepsEverythingElse) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"{name}|{file}|{folder}", "假期 01|假期 01.jpg|照片"},
      {"{date} {time} ©{year}", "2024-05-01 09:05 ©2024"},
      {"{camera}: {width}×{height}", "Canon EOS 80D: 6000×4000"},
      {"{index}/{count}", "7/120"},
      {"{index:4} {count:2} {width:1}", "0007 120 6000"},
      {"{文件名}{文件}{文件夹}{日期}{时间}{年份}{序号:3}{总数}{宽度}{高度}{相机}",
       "假期 01假期 01.jpg照片2024-05-0109:05202400712060004000Canon EOS 80D"},
      // Literal braces, and what is not a field stays as typed.
      {"{{name}} }} {{", "{name} } {"},
      {"{Name} {nombre} {} {index:0} {index:33} {index:x} {name:3}",
       "{Name} {nombre} {} {index:0} {index:33} {index:x} {name:3}"},
      {"{name", "{name"},
      {"{a{name}}", "{a假期 01}"},
      {"}{", "}{"},
      {"", ""},
  };
  const PictureFields fields = sampleFields();
  for (const Case& c : cases) EXPECT_EQ(expandTextFields(c.text, fields), c.expected) << c.text;
}

TEST(TextFields, ListsTheFieldsUsedOnceInOrder) {
  EXPECT_EQ(textFieldsUsed("{序号:2} {name} {index} {{date}} {camera"),
            (std::vector<std::string>{"index", "name"}));
}

}  // namespace
}  // namespace imbrino
