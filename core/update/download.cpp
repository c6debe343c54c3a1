// Downloads over libcurl. Redirects are followed here, one hop at a time, so
// every address the transfer is sent to passes the same check as the first;
// an http hop never goes through a proxy and connects only to a loopback
// address, judged on the address itself as the socket is opened (a name such
// as "localhost." may be resolved by DNS to anything). The body goes to a
// fresh file beside the destination and takes its name only when the
// transfer ended complete and successful.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "platform/file_io.h"
#include "update/updater.h"

namespace imbrino {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool isLoopbackIpv6(const in6_addr& address) {
  if (IN6_IS_ADDR_LOOPBACK(&address)) return true;
  // ::ffff:127.x.y.z is the same machine.
  return IN6_IS_ADDR_V4MAPPED(&address) && address.s6_addr[12] == 127;
}

bool isLoopbackHost(std::string_view host) {
  if (equalsIgnoringCase(host, "localhost") || equalsIgnoringCase(host, "localhost.")) return true;
  std::string text(host);
  if (text.size() > 2 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
    in6_addr address{};
    if (inet_pton(AF_INET6, text.c_str(), &address) != 1) return false;
    return isLoopbackIpv6(address);
  }
  in_addr address{};
  if (inet_pton(AF_INET, text.c_str(), &address) != 1) return false;
  return (ntohl(address.s_addr) >> 24) == 127;
}

bool isHttp(std::string_view url) {
  return url.size() >= 5 && equalsIgnoringCase(url.substr(0, 5), "http:");
}

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlFree {
  void operator()(char* text) const { curl_free(text); }
};
struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

// The temporary file: made fresh (never an existing file or a link), removed
// unless it was renamed into place.
class PartFile {
 public:
  explicit PartFile(const std::string& destination) {
    namespace fs = std::filesystem;
    fs::path target(destination);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    const std::string suffix = ".part-XXXXXX";
    path_ =
        (folder / ("." + nameLeavingRoom(target.filename().string(), suffix.size() + 1) + suffix))
            .string();
    fd_ = mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) {
      path_.clear();
      return;
    }
    // Downloads end up as program files: readable by everyone, as a copy would be.
    fchmod(fd_, 0644);
  }
  ~PartFile() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  bool valid() const { return fd_ >= 0; }

  // Empties the file for the next hop of a redirect chain.
  bool restart() {
    written_ = 0;
    return ftruncate(fd_, 0) == 0 && lseek(fd_, 0, SEEK_SET) == 0;
  }

  bool append(const char* data, std::size_t size) {
    while (size > 0) {
      ssize_t n = write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
      written_ += static_cast<std::uint64_t>(n);
    }
    return true;
  }

  std::uint64_t written() const { return written_; }

  // Flushes and renames over `destination`. rename() replaces a link at the
  // destination with the file itself; it never writes through it.
  bool commit(const std::string& destination) {
    if (fsync(fd_) != 0) return false;
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return false;
    if (rename(path_.c_str(), destination.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t written_ = 0;
};

struct Transfer {
  PartFile* file;
  std::uint64_t maxBytes;
  std::chrono::seconds stallLimit;
  std::chrono::seconds firstByteLimit;
  const std::function<bool()>* stopRequested;
  bool loopbackOnly = false;  // this hop is http: connect to this machine only
  bool tooLarge = false;
  bool stalled = false;
  bool stopped = false;
  bool refusedAddress = false;
  curl_off_t received = -1;
  std::chrono::steady_clock::time_point lastByte;

  void startHop() {
    refusedAddress = false;
    received = -1;
    lastByte = std::chrono::steady_clock::now();
  }
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  std::size_t bytes = size * count;
  if (bytes > transfer->maxBytes - transfer->file->written()) {
    transfer->tooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  return transfer->file->append(data, bytes) ? bytes : 0;
}

// curl's own low-speed check averages over several seconds, so a connection
// that goes quiet after a burst runs on well past the limit; this ends it once
// nothing has arrived for the stall time (before the first byte, the connect
// time-out is allowed on top).
int watchProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  if (*transfer->stopRequested && (*transfer->stopRequested)()) {
    transfer->stopped = true;
    return 1;
  }
  const auto now = std::chrono::steady_clock::now();
  if (downloaded != transfer->received) {
    const bool first = transfer->received < 0 && downloaded == 0;
    transfer->received = downloaded;
    if (!first) transfer->lastByte = now;
    return 0;
  }
  const auto limit =
      downloaded == 0 ? transfer->firstByteLimit + transfer->stallLimit : transfer->stallLimit;
  if (now - transfer->lastByte > limit) {
    transfer->stalled = true;
    return 1;  // ends the transfer
  }
  return 0;
}

// Opens each socket libcurl connects through, once the name is resolved: an
// http hop gets none unless the address is this machine's loopback.
curl_socket_t openSocket(void* user, curlsocktype, curl_sockaddr* address) {
  auto* transfer = static_cast<Transfer*>(user);
  if (transfer->loopbackOnly && !isLoopbackSocketAddress(address->addr)) {
    transfer->refusedAddress = true;
    return CURL_SOCKET_BAD;
  }
  const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  return fd < 0 ? CURL_SOCKET_BAD : fd;
}

}  // namespace

bool isLoopbackSocketAddress(const sockaddr& address) {
  if (address.sa_family == AF_INET) {
    const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
    return (ntohl(ipv4.sin_addr.s_addr) >> 24) == 127;
  }
  if (address.sa_family == AF_INET6)
    return isLoopbackIpv6(reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
  return false;
}

bool isAllowedUpdateAddress(std::string_view url) {
  initialiseCurlOnce();
  // The address is taken apart by the same parser that will fetch it, so the
  // host checked here is the host connected to.
  std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
  if (!handle) return false;
  std::string text(url);
  if (text.empty() || text.find('\0') != std::string::npos) return false;
  if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return false;

  char* rawScheme = nullptr;
  char* rawHost = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_SCHEME, &rawScheme, 0) != CURLUE_OK) return false;
  std::unique_ptr<char, CurlFree> scheme(rawScheme);
  if (curl_url_get(handle.get(), CURLUPART_HOST, &rawHost, 0) != CURLUE_OK) return false;
  std::unique_ptr<char, CurlFree> host(rawHost);
  if (!scheme || !host || !*host) return false;

  if (equalsIgnoringCase(scheme.get(), "https")) return true;
  if (equalsIgnoringCase(scheme.get(), "http")) return isLoopbackHost(host.get());
  return false;
}

Status CurlDownloader::download(const std::string& url, const std::string& path) {
  initialiseCurlOnce();
  if (!isAllowedUpdateAddress(url)) return fail("address refused: " + url);

  PartFile file(path);
  if (!file.valid()) return fail("cannot create a temporary file beside " + path);

  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return fail("cannot start a transfer");
  CURL* curl = easy.get();

  Transfer transfer{&file, limits_.maxBytes, std::chrono::seconds(limits_.stallTimeoutSeconds),
                    std::chrono::seconds(limits_.connectTimeoutSeconds), &stopRequested_};
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https,http");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https,http");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits_.connectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits_.stallTimeoutSeconds);
  if (limits_.totalTimeoutSeconds > 0)
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits_.totalTimeoutSeconds);
  const curl_off_t sizeLimit =
      limits_.maxBytes > static_cast<std::uint64_t>(std::numeric_limits<curl_off_t>::max())
          ? std::numeric_limits<curl_off_t>::max()
          : static_cast<curl_off_t>(limits_.maxBytes);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, sizeLimit);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Imbrino-update");
  curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, openSocket);
  curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watchProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

  std::string current = url;
  for (long hop = 0;; ++hop) {
    if (!file.restart()) return fail("cannot write the temporary file beside " + path);
    transfer.startHop();
    errorText[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_URL, current.c_str());
    // http is allowed only to this machine: never through a proxy from the
    // environment, which would carry it elsewhere. https may use one.
    transfer.loopbackOnly = isHttp(current);
    curl_easy_setopt(curl, CURLOPT_PROXY, transfer.loopbackOnly ? "" : nullptr);
    CURLcode result = curl_easy_perform(curl);
    if (transfer.stopped) return fail("download stopped: " + current);
    if (transfer.refusedAddress && result != CURLE_OK)
      return fail("address refused: " + current + " does not lead to this machine");
    if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
      return fail("download larger than the limit: " + current);
    if (transfer.stalled) return fail("download stalled: " + current);
    if (result != CURLE_OK) {
      std::string reason = errorText[0] ? errorText : curl_easy_strerror(result);
      return fail("download failed: " + current + ": " + reason);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 300 && status < 400) {
      char* location = nullptr;
      curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
      if (!location) return fail("redirect without a location: " + current);
      if (hop >= limits_.maxRedirects) return fail("too many redirects: " + url);
      std::string next = location;
      if (!isAllowedUpdateAddress(next)) return fail("redirect refused: " + next);
      current = std::move(next);
      continue;
    }
    if (status < 200 || status >= 300)
      return fail("download failed: " + current + ": status " + std::to_string(status));
    break;
  }

  if (!file.commit(path)) return fail("cannot put the download in place: " + path);
  return {};
}

}  // namespace imbrino
