// Names typed into a save dialog get the extension of the type chosen beside
// them, unless they carry one.

#include <gtest/gtest.h>

#include <string>

#include "image/image_types.h"

namespace imbrino {
namespace {

struct TypedName {
  const char* typed;
  const char* pattern;
  const char* saved;
};

class SaveDialogName : public testing::TestWithParam<TypedName> {};

TEST_P(SaveDialogName, GetsTheChosenTypesExtensionOnlyWhenItHasNone) {
  const TypedName& c = GetParam();
  EXPECT_EQ(withExtensionIfNone(c.typed, patternExtension(c.pattern)), c.saved);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveDialogName,
    testing::Values(TypedName{"/home/user/holiday", "*.bmp", "/home/user/holiday.bmp"},
                    TypedName{"/home/user/holiday", "*.jpeg", "/home/user/holiday.jpeg"},
                    TypedName{"holiday", "*.png", "holiday.png"},
                    // The name's own extension wins, picture or not, any case.
                    TypedName{"/tmp/a.gif", "*.png", "/tmp/a.gif"},
                    TypedName{"/tmp/a.JPG", "*.png", "/tmp/a.JPG"},
                    TypedName{"/tmp/notes.txt", "*.png", "/tmp/notes.txt"},
                    TypedName{"/tmp/v1.2 final", "*.png", "/tmp/v1.2 final"},
                    TypedName{"/tmp/name.", "*.png", "/tmp/name."},
                    // Only the file name counts: a dotted folder is no extension.
                    TypedName{"/tmp/photos.2024/beach", "*.gif", "/tmp/photos.2024/beach.gif"},
                    TypedName{"/tmp/folder/", "*.gif", "/tmp/folder/"},
                    TypedName{"/tmp/黄山 日出", "*.jpg", "/tmp/黄山 日出.jpg"},
                    // Patterns that name no one extension add nothing.
                    TypedName{"/tmp/a", "*", "/tmp/a"},
                    TypedName{"/tmp/a", "*.*", "/tmp/a"},
                    TypedName{"/tmp/a", "*.jp*g", "/tmp/a"},
                    TypedName{"/tmp/a", "", "/tmp/a"},
                    TypedName{"/tmp/a", "photo.png", "/tmp/a"}));

}  // namespace
}  // namespace imbrino
