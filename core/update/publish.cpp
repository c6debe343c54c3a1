// The maker's side of an update: the manifest that lists each file with its
// SHA-256, and the detached Ed25519 signature the updater checks it against.
// A manifest the updater would refuse (a path that climbs out, a value longer
// than it reads) is refused here, before anything is published.

#include <openssl/evp.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_file.h"
#include "update/integrity.h"
#include "update/openssl_handles.h"
#include "update/updater.h"

namespace imbrino {
namespace {

// A value the updater reads back as written: one line, not trimmed away,
// within the length a setting is read to.
bool isPlainValue(std::string_view value) {
  if (value.empty() || value.size() > kMaxSettingLength) return false;
  if (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t')
    return false;
  for (char c : value)
    if (c == '\r' || c == '\n' || c == '\0') return false;
  return true;
}

// "\sub\file.ext": relative to the installation folder, every part a name
// (none empty, "." or ".."), no drive.
bool isInstallPath(std::string_view destination) {
  if (destination.empty() || (destination.front() != '\\' && destination.front() != '/'))
    return false;
  if (destination.find(':') != std::string_view::npos) return false;
  std::size_t start = 1;
  while (start <= destination.size()) {
    std::size_t end = destination.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = destination.size();
    std::string_view part = destination.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

Expected<std::string> composeManifestText(const ProgramVersion& version,
                                          const std::vector<PublishedFile>& files) {
  for (std::int32_t part : version.parts)
    if (part < 0) return fail("a version part is negative");
  if (files.empty()) return fail("no files to publish");

  // Checked and hashed first, so a refused list writes nothing.
  std::vector<std::string> destinations;
  std::vector<std::string> hashes;
  for (const PublishedFile& file : files) {
    if (!isPlainValue(file.url)) return fail("unusable address: " + file.url);
    if (!isAllowedUpdateAddress(file.url))
      return fail("the updater would refuse the address " + file.url);
    if (!isPlainValue(file.destination) || !isInstallPath(file.destination))
      return fail("unusable destination: " + file.destination);
    // Manifests are written with Windows separators, whatever was given.
    std::string destination = file.destination;
    for (char& c : destination)
      if (c == '/') c = '\\';
    for (const std::string& earlier : destinations)
      if (earlier == destination) return fail("destination listed twice: " + file.destination);
    Expected<Sha256> hash = sha256OfFile(file.localPath);
    if (!hash) return fail(hash.reason());
    destinations.push_back(std::move(destination));
    hashes.push_back(hexText(*hash));
  }

  // The updater downloads into and installs into folders that must exist, so
  // every folder a file goes into is listed to be made, each parent first.
  std::vector<std::string> folders;
  for (const std::string& destination : destinations) {
    for (std::size_t slash = destination.find('\\', 1); slash != std::string::npos;
         slash = destination.find('\\', slash + 1)) {
      std::string folder = destination.substr(0, slash);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end())
        folders.push_back(std::move(folder));
    }
  }

  // Windows line ends: the manifest is the same file the Windows updater reads.
  constexpr const char* kEnd = "\r\n";
  std::string text = "[Version]";
  text += kEnd;
  for (std::size_t i = 0; i < version.parts.size(); ++i)
    text += "Version" + std::to_string(i + 1) + "=" + std::to_string(version.parts[i]) + kEnd;
  if (!folders.empty()) {
    text += kEnd;
    text += "[NewDirs]";
    text += kEnd;
    text += "NewDirsLen=" + std::to_string(folders.size()) + kEnd;
    for (std::size_t i = 0; i < folders.size(); ++i)
      text += "NewDirs" + std::to_string(i + 1) + "=" + folders[i] + kEnd;
  }
  text += kEnd;
  text += "[AddFiles]";
  text += kEnd;
  text += "AddFilesLen=" + std::to_string(files.size()) + kEnd;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string index = std::to_string(i + 1);
    text += "AddFilesSrc" + index + "=" + files[i].url + kEnd;
    text += "AddFilesDest" + index + "=" + destinations[i] + kEnd;
    text += "AddFilesSha256" + index + "=" + hashes[i] + kEnd;
  }
  return text;
}

Expected<std::array<std::uint8_t, 64>> signManifest(std::string_view manifest,
                                                    const std::array<std::uint8_t, 32>& seed) {
  KeyHandle key(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, seed.data(), seed.size()));
  if (!key) return fail("not an Ed25519 key");
  DigestContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return fail("Ed25519 signing is not available");
  std::array<std::uint8_t, 64> signature{};
  std::size_t length = signature.size();
  if (EVP_DigestSign(context.get(), signature.data(), &length,
                     reinterpret_cast<const unsigned char*>(manifest.data()),
                     manifest.size()) != 1 ||
      length != signature.size())
    return fail("signing failed");
  return signature;
}

}  // namespace imbrino
