// The maker's side of an update: the manifest that lists each file with its
// SHA-256, and the detached Ed25519 signature the updater checks it against.
// A manifest the updater would refuse (a path that climbs out, a value longer
// than it reads) is refused here, before anything is published.

#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "update/updater.h"

namespace imbrino {
namespace {

// The updater reads no more than this of a value.
constexpr std::size_t kMaxValueLength = 259;

struct ContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

Expected<std::string> sha256HexOfFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return fail("cannot open " + path);
  std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return fail("SHA-256 is not available");
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (n > 0 && EVP_DigestUpdate(context.get(), buffer.data(), n) != 1)
      return fail("SHA-256 failed on " + path);
    if (n < buffer.size()) break;
  }
  if (std::ferror(file.get())) return fail("cannot read " + path);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1 || length != 32)
    return fail("SHA-256 failed on " + path);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 15];
  }
  return hex;
}

// A value the updater reads back as written: one line, not trimmed away,
// within its length.
bool isPlainValue(std::string_view value) {
  if (value.empty() || value.size() > kMaxValueLength) return false;
  if (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t')
    return false;
  for (char c : value)
    if (c == '\r' || c == '\n' || c == '\0') return false;
  return true;
}

// "\sub\file.ext": relative to the installation folder, with no part that
// climbs out of it or names a drive.
bool isInstallPath(std::string_view destination) {
  if (destination.empty() || (destination.front() != '\\' && destination.front() != '/'))
    return false;
  if (destination.find(':') != std::string_view::npos) return false;
  std::size_t start = 1;
  bool named = false;
  while (start <= destination.size()) {
    std::size_t end = destination.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = destination.size();
    std::string_view part = destination.substr(start, end - start);
    if (part == "..") return false;
    if (!part.empty() && part != ".") named = true;
    start = end + 1;
  }
  // A file, not the folder itself.
  return named && destination.back() != '\\' && destination.back() != '/';
}

}  // namespace

Expected<std::string> composeManifestText(const ProgramVersion& version,
                                          const std::vector<PublishedFile>& files) {
  for (std::int32_t part : version.parts)
    if (part < 0) return fail("a version part is negative");
  if (files.empty()) return fail("no files to publish");

  // Windows line ends: the manifest is the same file the Windows updater reads.
  constexpr const char* kEnd = "\r\n";
  std::string text = "[Version]";
  text += kEnd;
  for (std::size_t i = 0; i < version.parts.size(); ++i)
    text += "Version" + std::to_string(i + 1) + "=" + std::to_string(version.parts[i]) + kEnd;
  text += kEnd;
  text += "[AddFiles]";
  text += kEnd;
  text += "AddFilesLen=" + std::to_string(files.size()) + kEnd;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const PublishedFile& file = files[i];
    if (!isPlainValue(file.url)) return fail("unusable address: " + file.url);
    if (!isAllowedUpdateAddress(file.url))
      return fail("the updater would refuse the address " + file.url);
    if (!isPlainValue(file.destination) || !isInstallPath(file.destination))
      return fail("unusable destination: " + file.destination);
    for (std::size_t j = 0; j < i; ++j)
      if (files[j].destination == file.destination)
        return fail("destination listed twice: " + file.destination);
    Expected<std::string> hash = sha256HexOfFile(file.localPath);
    if (!hash) return fail(hash.reason());
    const std::string index = std::to_string(i + 1);
    text += "AddFilesSrc" + index + "=" + file.url + kEnd;
    text += "AddFilesDest" + index + "=" + file.destination + kEnd;
    text += "AddFilesSha256" + index + "=" + *hash + kEnd;
  }
  return text;
}

Expected<std::array<std::uint8_t, 64>> signManifest(std::string_view manifest,
                                                    const std::array<std::uint8_t, 32>& seed) {
  std::unique_ptr<EVP_PKEY, KeyDeleter> key(
      EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, seed.data(), seed.size()));
  if (!key) return fail("not an Ed25519 key");
  std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return fail("Ed25519 signing is not available");
  std::array<std::uint8_t, 64> signature{};
  std::size_t length = signature.size();
  if (EVP_DigestSign(context.get(), signature.data(), &length,
                     reinterpret_cast<const unsigned char*>(manifest.data()), manifest.size()) != 1 ||
      length != signature.size())
    return fail("signing failed");
  return signature;
}

}  // namespace imbrino
