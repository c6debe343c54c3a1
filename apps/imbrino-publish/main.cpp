// imbrino-publish: the maker's tool for an update. It hashes the files into a
// manifest ("Update.ini") and, given the signing key, writes the manifest's
// detached signature beside it ("Update.ini.sig"); `keygen` makes that key.
//
//   imbrino-publish --version 3.8.0.0 --base-url https://host/software/IMB/files
//       --key seed.bin --out Update.ini build/Imbrino=\Imbrino help.html   (one line)
//   imbrino-publish keygen seed.bin     (prints the public key for the build)
//   imbrino-publish pubkey seed.bin

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "update/integrity.h"
#include "update/openssl_handles.h"
#include "update/updater.h"

namespace {

using imbrino::Expected;
using imbrino::fail;
using Seed = std::array<std::uint8_t, 32>;

// "3.8.0.0": four whole numbers, none negative.
std::optional<imbrino::ProgramVersion> parseVersion(const std::string& text) {
  imbrino::ProgramVersion version;
  std::size_t start = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    std::size_t end = i < 3 ? text.find('.', start) : text.size();
    if (end == std::string::npos || end == start || end - start > 9) return std::nullopt;
    std::int32_t value = 0;
    for (std::size_t j = start; j < end; ++j) {
      if (text[j] < '0' || text[j] > '9') return std::nullopt;
      value = value * 10 + (text[j] - '0');
    }
    version.parts[i] = value;
    start = end + 1;
  }
  return version;
}

// Each path part percent-encoded, so any file name makes a valid address.
std::string addressPath(const std::string& destination) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string path;
  for (char c : destination) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '/') {
      path += '/';
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == '_' || c == '~') {
      path += c;
    } else {
      path += '%';
      path += kDigits[byte >> 4];
      path += kDigits[byte & 15];
    }
  }
  return path;
}

// "LOCAL=\dest\path", or "LOCAL" for "\" + its file name.
imbrino::PublishedFile publishedFile(const std::string& argument, const std::string& baseUrl) {
  imbrino::PublishedFile file;
  std::size_t split = argument.find("=\\");
  if (split == std::string::npos) split = argument.find("=/");
  if (split == std::string::npos) {
    file.localPath = argument;
    file.destination = "\\" + std::filesystem::path(argument).filename().string();
  } else {
    file.localPath = argument.substr(0, split);
    file.destination = argument.substr(split + 1);
  }
  std::string base = baseUrl;
  while (!base.empty() && base.back() == '/') base.pop_back();
  file.url = base + addressPath(file.destination);
  return file;
}

Expected<Seed> readSeed(const std::string& path) {
  auto bytes = imbrino::readFileBytes(path, 64);
  if (!bytes) return fail(bytes.reason());
  if (bytes->size() != 32) return fail(path + " is not a 32-byte key");
  Seed seed{};
  std::copy(bytes->begin(), bytes->end(), seed.begin());
  return seed;
}

Expected<std::string> publicKeyHex(const Seed& seed) {
  const imbrino::KeyHandle key(
      EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, seed.data(), seed.size()));
  std::array<std::uint8_t, 32> publicKey{};
  std::size_t length = publicKey.size();
  if (!key || EVP_PKEY_get_raw_public_key(key.get(), publicKey.data(), &length) != 1 ||
      length != publicKey.size())
    return fail("cannot derive the public key");
  return imbrino::hexText(publicKey);
}

// A new key never replaces an old one: losing it would strand every
// installation built with its public key.
int keygen(const std::string& path) {
  Seed seed{};
  if (RAND_bytes(seed.data(), static_cast<int>(seed.size())) != 1) {
    std::cerr << "imbrino-publish: no random bytes\n";
    return 1;
  }
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::cerr << "imbrino-publish: cannot create " << path << ": "
              << imbrino::systemErrorText(errno) << "\n";
    return 1;
  }
  bool written = write(fd, seed.data(), seed.size()) == static_cast<ssize_t>(seed.size());
  written = fsync(fd) == 0 && written;
  written = close(fd) == 0 && written;
  if (!written) {
    std::cerr << "imbrino-publish: cannot write " << path << "\n";
    unlink(path.c_str());
    return 1;
  }
  auto publicKey = publicKeyHex(seed);
  if (!publicKey) {
    std::cerr << "imbrino-publish: " << publicKey.reason() << "\n";
    return 1;
  }
  std::cout << *publicKey << "\n";
  return 0;
}

imbrino::Status writeText(const std::string& path, const std::string& text) {
  return imbrino::writeFileAtomically(
      path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Publish an update: hash the files into an update manifest and sign it.\n"
      "Each FILE is LOCAL=\\dest\\path (where it goes in the installation folder) or LOCAL\n"
      "(installed as \\name); it is announced at the base address + the destination.",
      "imbrino-publish"};
  app.require_subcommand(0, 1);

  std::string keygenPath;
  CLI::App* keygenCommand = app.add_subcommand(
      "keygen", "Make a new signing key (32 bytes) and print its public key in hexadecimal.");
  keygenCommand->add_option("KEY", keygenPath, "where to write the key (never replaced)")
      ->required();

  std::string pubkeyPath;
  CLI::App* pubkeyCommand =
      app.add_subcommand("pubkey", "Print the public key of a signing key in hexadecimal.");
  pubkeyCommand->add_option("KEY", pubkeyPath, "the signing key")
      ->required()
      ->check(CLI::ExistingFile);

  std::string versionText;
  std::string baseUrl;
  std::string keyPath;
  std::string outPath = "Update.ini";
  std::vector<std::string> fileArguments;
  app.add_option("--version", versionText, "the version announced, e.g. 3.8.0.0")
      ->type_name("A.B.C.D");
  app.add_option("--base-url", baseUrl, "the address the files are published under")
      ->type_name("URL");
  app.add_option("--key", keyPath, "the signing key; the signature goes to OUT.sig")
      ->check(CLI::ExistingFile);
  app.add_option("--out", outPath, "the manifest to write (default: Update.ini)");
  app.add_option("FILE", fileArguments, "the files of the update");

  CLI11_PARSE(app, argc, argv);

  if (keygenCommand->parsed()) return keygen(keygenPath);
  if (pubkeyCommand->parsed()) {
    auto seed = readSeed(pubkeyPath);
    auto publicKey = seed ? publicKeyHex(*seed) : Expected<std::string>(fail(seed.reason()));
    if (!publicKey) {
      std::cerr << "imbrino-publish: " << publicKey.reason() << "\n";
      return 1;
    }
    std::cout << *publicKey << "\n";
    return 0;
  }

  if (versionText.empty() || baseUrl.empty() || fileArguments.empty()) {
    std::cerr << "imbrino-publish: --version, --base-url and at least one FILE are needed\n"
              << app.help();
    return 2;
  }
  auto version = parseVersion(versionText);
  if (!version) {
    std::cerr << "imbrino-publish: not a version: " << versionText << "\n";
    return 2;
  }
  std::vector<imbrino::PublishedFile> files;
  for (const std::string& argument : fileArguments)
    files.push_back(publishedFile(argument, baseUrl));

  auto manifest = imbrino::composeManifestText(*version, files);
  if (!manifest) {
    std::cerr << "imbrino-publish: " << manifest.reason() << "\n";
    return 1;
  }
  // Sign before writing anything, so a bad key leaves no unsigned manifest behind.
  std::optional<std::array<std::uint8_t, 64>> signature;
  if (!keyPath.empty()) {
    auto seed = readSeed(keyPath);
    if (!seed) {
      std::cerr << "imbrino-publish: " << seed.reason() << "\n";
      return 1;
    }
    auto signed_ = imbrino::signManifest(*manifest, *seed);
    if (!signed_) {
      std::cerr << "imbrino-publish: " << signed_.reason() << "\n";
      return 1;
    }
    signature = *signed_;
  }
  if (auto written = writeText(outPath, *manifest); !written) {
    std::cerr << "imbrino-publish: " << written.reason() << "\n";
    return 1;
  }
  const std::string signaturePath = outPath + ".sig";
  if (signature) {
    if (auto written = imbrino::writeFileAtomically(signaturePath, *signature); !written) {
      std::cerr << "imbrino-publish: " << written.reason() << "\n";
      return 1;
    }
  } else if (std::filesystem::is_regular_file(signaturePath)) {
    // An old signature beside a new manifest would only make the updater refuse it.
    std::filesystem::remove(signaturePath);
  }
  std::cout << "wrote " << outPath << (signature ? " and " + signaturePath : std::string()) << " ("
            << files.size() << " files, version " << versionText << ")\n";
  return 0;
}
