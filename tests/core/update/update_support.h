#pragma once
// Fakes for the updater's tests: a downloader serving bytes from a map, a
// window that records what it is told, a signer, and snapshots of folders.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "update/updater.h"

namespace imbrino::test {

class FakeDownloader final : public Downloader {
 public:
  std::map<std::string, std::string> served;  // address -> body
  std::set<std::string> failing;              // addresses that fail although served
  std::vector<std::string> requested;
  std::function<void()> afterEachDownload;
  // Like a real download: the whole file appears at `path`, or nothing does.
  Status download(const std::string& url, const std::string& path) override;
};

class RecordingUi final : public UpdaterUi {
 public:
  // "range 1 5", "position 2", "installing", "message <icon> <text>", "retry <text>"
  std::vector<std::string> events;
  std::vector<bool> retryAnswers;  // in order; false once they run out
  bool cancel = false;
  void setRange(int low, int high) override;
  void setPosition(int position) override;
  void message(const std::string& text, Icon icon) override;
  bool askRetry(const std::string& text) override;
  bool cancelled() const override { return cancel; }
  bool beginInstalling() override;
  std::vector<std::string> messages() const;  // the message and retry events only
};

// Every entry below `folder`: files by content, folders as "<folder>", links
// as "-> target", so two snapshots differ exactly when something changed.
std::map<std::string, std::string> snapshot(const std::string& folder);

void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);

struct SigningKey {
  std::array<std::uint8_t, 32> seed{};
  std::array<std::uint8_t, 32> publicKey{};
};
SigningKey makeSigningKey(std::uint8_t fill);
std::string signText(const SigningKey& key, const std::string& text);  // 64 raw bytes

std::string sha256Hex(const std::string& text);

}  // namespace imbrino::test
