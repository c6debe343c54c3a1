#include "core/update/update_support.h"

#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <stdexcept>

#include "platform/file_io.h"
#include "update/integrity.h"
#include "update/openssl_handles.h"

namespace imbrino::test {
namespace fs = std::filesystem;

Status FakeDownloader::download(const std::string& url, const std::string& path) {
  requested.push_back(url);
  Status result = fail("not served: " + url);
  const auto found = served.find(url);
  if (found != served.end() && !failing.contains(url)) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(found->second.data());
    result = writeFileAtomically(path, std::span(data, found->second.size()));
  }
  if (afterEachDownload) afterEachDownload();
  return result;
}

void RecordingUi::setRange(int low, int high) {
  events.push_back("range " + std::to_string(low) + " " + std::to_string(high));
}
void RecordingUi::setPosition(int position) {
  events.push_back("position " + std::to_string(position));
}
void RecordingUi::message(const std::string& text, Icon icon) {
  const char* name = icon == Icon::Error ? "error" : icon == Icon::Warning ? "warning" : "none";
  events.push_back(std::string("message ") + name + " " + text);
}
bool RecordingUi::askRetry(const std::string& text) {
  events.push_back("retry " + text);
  if (retryAnswers.empty()) return false;
  const bool answer = retryAnswers.front();
  retryAnswers.erase(retryAnswers.begin());
  return answer;
}
bool RecordingUi::beginInstalling() {
  events.push_back("installing");
  return !cancel;
}
std::vector<std::string> RecordingUi::messages() const {
  std::vector<std::string> found;
  for (const std::string& event : events)
    if (event.starts_with("message ") || event.starts_with("retry ")) found.push_back(event);
  return found;
}

std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  if (!fs::exists(fs::symlink_status(folder, error))) return entries;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    const std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink())
      entries[name] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_directory())
      entries[name] = "<folder>";
    else
      entries[name] = readText(it->path().string());
  }
  return entries;
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SigningKey makeSigningKey(std::uint8_t fill) {
  SigningKey key;
  key.seed.fill(fill);
  const KeyHandle pkey(
      EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, key.seed.data(), key.seed.size()));
  std::size_t length = key.publicKey.size();
  if (!pkey || EVP_PKEY_get_raw_public_key(pkey.get(), key.publicKey.data(), &length) != 1)
    throw std::runtime_error("cannot make an Ed25519 key");
  return key;
}

std::string signText(const SigningKey& key, const std::string& text) {
  const KeyHandle pkey(
      EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, key.seed.data(), key.seed.size()));
  const DigestContext context(EVP_MD_CTX_new());
  std::string signature(64, '\0');
  std::size_t length = signature.size();
  if (!pkey || !context ||
      EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1 ||
      EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                     reinterpret_cast<const unsigned char*>(text.data()), text.size()) != 1)
    throw std::runtime_error("cannot sign");
  return signature;
}

std::string sha256Hex(const std::string& text) {
  return hexText(
      sha256Of(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
}

}  // namespace imbrino::test
