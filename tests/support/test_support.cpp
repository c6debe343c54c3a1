#include "support/test_support.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace imbrino::test {

TempFolder::TempFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("imbrino-test-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string testData(const std::string& relative) {
  return std::string(IMBRINO_TEST_DATA) + "/" + relative;
}

Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, ByteView bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Surface makeTestPicture(int width, int height) {
  Surface picture = Surface::create(width, height).value();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2;
      const bool bottom = y >= height / 2;
      Pixel p = !right && !bottom  ? makePixel(220, 30, 30)
                : right && !bottom ? makePixel(30, 200, 40)
                : !right           ? makePixel(40, 50, 210)
                                   : makePixel(240, 230, 20);
      picture.setPixel(x, y, p);
    }
  picture.setPixel(0, 0, kPixelBlack);
  return picture;
}

}  // namespace imbrino::test
