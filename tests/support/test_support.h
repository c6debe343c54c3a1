#pragma once
// Helpers shared by the core tests.

#include <filesystem>
#include <string>

#include "image/codecs.h"

namespace imbrino::test {

// A fresh, empty folder for one test, removed when the object goes.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The path of a file under tests/data.
std::string testData(const std::string& relative);

Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, ByteView bytes);

// A picture with a different colour in each quadrant and a few odd pixels, so
// that flips, rotations and channel swaps show.
Surface makeTestPicture(int width, int height);

}  // namespace imbrino::test
