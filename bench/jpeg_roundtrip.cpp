// The floor a batch run is measured against: each JPEG read whole, decoded
// with libjpeg-turbo into 32-bit BGRX rows, encoded again at the settings the
// program writes (quality 99, 4:4:4, no optimised Huffman tables, the EXIF and
// ICC markers carried over) and written the way the program writes files (a
// temporary name, flushed, renamed). That is a stamping run minus the stamp,
// with nothing of our own in between.
//
//   jpeg_roundtrip [--jobs N] --out DIR FILE...
//
// With N threads, each takes the next file not yet taken, as a batch run does.
// Each thread keeps its pixel buffer from picture to picture, as a plain
// program would: pictures of one size then cost no fresh memory.

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// After <cstdio> and <cstddef>: it uses FILE and size_t without including them.
#include <jpeglib.h>

namespace {

struct ErrorManager {
  jpeg_error_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpOut(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

bool readWhole(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool writeFlushed(const std::string& path, const unsigned char* data, unsigned long size) {
  const std::string temporary = path + ".roundtrip.tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  unsigned long done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    done += static_cast<unsigned long>(n);
  }
  const bool flushed = ::fdatasync(fd) == 0;
  return ::close(fd) == 0 && flushed && ::rename(temporary.c_str(), path.c_str()) == 0;
}

// Decodes `file` into `pixels` and encodes them into `*out` (malloc'd by
// libjpeg). Holds nothing with a destructor: libjpeg may jump out of any call.
bool roundTrip(const std::vector<unsigned char>& file, std::vector<unsigned char>& pixels,
               unsigned char** out, unsigned long* outSize, std::string& reason) {
  jpeg_decompress_struct in{};
  jpeg_compress_struct encoder{};
  ErrorManager errors{};
  in.err = jpeg_std_error(&errors.manager);
  encoder.err = &errors.manager;
  errors.manager.error_exit = jumpOut;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&in);
    jpeg_destroy_compress(&encoder);
    reason = errors.message;
    return false;
  }
  jpeg_create_decompress(&in);
  jpeg_create_compress(&encoder);
  jpeg_mem_src(&in, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_save_markers(&in, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&in, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&in, TRUE);
  in.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&in);
  const JDIMENSION width = in.output_width;
  const std::size_t stride = std::size_t{width} * 4;
  pixels.resize(stride * in.output_height);
  JSAMPROW rows[16];
  while (in.output_scanline < in.output_height) {
    JDIMENSION count = 0;
    for (; count < 16 && in.output_scanline + count < in.output_height; ++count)
      rows[count] = pixels.data() + stride * (in.output_scanline + count);
    jpeg_read_scanlines(&in, rows, count);
  }

  jpeg_mem_dest(&encoder, out, outSize);
  encoder.image_width = width;
  encoder.image_height = in.output_height;
  encoder.input_components = 4;
  encoder.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&encoder);
  jpeg_set_quality(&encoder, 99, TRUE);
  for (int c = 0; c < encoder.num_components; ++c)
    encoder.comp_info[c].h_samp_factor = encoder.comp_info[c].v_samp_factor = 1;
  encoder.optimize_coding = FALSE;
  jpeg_start_compress(&encoder, TRUE);
  for (jpeg_saved_marker_ptr marker = in.marker_list; marker; marker = marker->next)
    jpeg_write_marker(&encoder, marker->marker, marker->data, marker->data_length);
  while (encoder.next_scanline < encoder.image_height) {
    JSAMPROW row = pixels.data() + stride * encoder.next_scanline;
    jpeg_write_scanlines(&encoder, &row, 1);
  }
  jpeg_finish_compress(&encoder);
  jpeg_finish_decompress(&in);
  jpeg_destroy_compress(&encoder);
  jpeg_destroy_decompress(&in);
  return true;
}

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int usage() {
  std::cerr << "usage: jpeg_roundtrip [--jobs N] --out DIR FILE...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int jobs = 1;
  std::string outFolder;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--jobs" && i + 1 < argc) {
      const std::string_view value = argv[++i];
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
      if (error != std::errc{} || end != value.data() + value.size() || jobs < 1) return usage();
    } else if (arg == "--out" && i + 1 < argc) {
      outFolder = argv[++i];
    } else {
      files.emplace_back(arg);
    }
  }
  if (outFolder.empty() || files.empty()) return usage();

  std::atomic<std::size_t> next{0};
  std::atomic<int> failures{0};
  std::mutex reporting;
  auto work = [&] {
    std::vector<unsigned char> file;
    std::vector<unsigned char> pixels;
    for (std::size_t i = next++; i < files.size(); i = next++) {
      unsigned char* out = nullptr;
      unsigned long outSize = 0;
      std::string reason = "cannot read the file";
      bool done = readWhole(files[i], file) && roundTrip(file, pixels, &out, &outSize, reason);
      if (done) {
        reason = "cannot write the result";
        done = writeFlushed(outFolder + "/" + baseName(files[i]), out, outSize);
      }
      std::free(out);
      if (!done) {
        const std::lock_guard lock(reporting);
        std::cerr << files[i] << ": " << reason << "\n";
        ++failures;
      }
    }
  };
  std::vector<std::thread> workers;
  for (int t = 1; t < jobs; ++t) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  return failures == 0 ? 0 : 1;
}
