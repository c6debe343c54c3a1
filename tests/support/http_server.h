#pragma once
// A small web server on 127.0.0.1 for the update tests: it serves bodies from
// a table of paths on a thread of its own, one connection at a time, and can
// misbehave on purpose (errors, redirects, stalls, short bodies). It starts
// with the object and stops, closing every connection, when the object goes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace imbrino::test {

class HttpServer {
 public:
  enum class Reply {
    Body,       // 200 with the body and its length
    NotFound,   // 404
    Redirect,   // 302 to `location`
    Unsized,    // 200 with the body and no length: it ends when the connection closes
    Truncated,  // 200 announcing twice the body's length, then closing after the body
    Stalled,    // 200 announcing twice the body's length, then sending nothing more
    Trickled,   // 200 announcing a large body, then one byte every 100 ms
  };
  struct Route {
    Reply reply = Reply::Body;
    std::string body;
    std::string location;
  };

  // `everyAddress` listens on every interface too, so that a test can show an
  // address on the machine's network being refused although it would answer.
  explicit HttpServer(bool everyAddress = false) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(everyAddress ? INADDR_ANY : INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("the test server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~HttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  std::string url(const std::string& path, const std::string& host = "127.0.0.1") const {
    return "http://" + host + ":" + std::to_string(port_) + path;
  }
  void set(const std::string& path, Route route) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(route);
  }
  void serveBody(const std::string& path, std::string body) { set(path, {Reply::Body, body, {}}); }
  int requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto found = counts_.find(path);
    return found == counts_.end() ? 0 : found->second;
  }

 private:
  // Waits for `events` on `fd` in short slices, so a stop is never kept waiting.
  bool waitFor(int fd, short events) const {
    while (!stop_) {
      pollfd entry{fd, events, 0};
      int ready = ::poll(&entry, 1, 50);
      if (ready > 0) return true;
      if (ready < 0) return false;
    }
    return false;
  }

  void serve() {
    while (waitFor(listener_, POLLIN)) {
      int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      answer(connection);
      ::close(connection);
    }
  }

  static bool sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  void answer(int fd) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      if (!waitFor(fd, POLLIN)) return;
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    std::size_t start = request.find(' ');
    std::size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    std::string path = end == std::string::npos ? "" : request.substr(start + 1, end - start - 1);

    Route route{Reply::NotFound, "not found", {}};
    {
      std::lock_guard lock(mutex_);
      ++counts_[path];
      if (auto found = routes_.find(path); found != routes_.end()) route = found->second;
    }
    const std::string body = route.body;
    std::string head;
    switch (route.reply) {
      case Reply::Body:
        head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        break;
      case Reply::NotFound:
        head = "HTTP/1.1 404 Not Found\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        break;
      case Reply::Redirect:
        head = "HTTP/1.1 302 Found\r\nLocation: " + route.location +
               "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
        break;
      case Reply::Unsized:
        head = "HTTP/1.1 200 OK\r\n";
        break;
      case Reply::Trickled:
        head = "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n";
        break;
      case Reply::Truncated:
      case Reply::Stalled:
        head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(2 * body.size() + 1) + "\r\n";
        break;
    }
    if (!sendAll(fd, head + "Connection: close\r\n\r\n" + body)) return;
    if (route.reply == Reply::Trickled) {
      // Never stalled, never done: a byte at a time until the client gives up.
      while (!stop_ && sendAll(fd, "x"))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      return;
    }
    if (route.reply == Reply::Stalled) {
      // Hold the connection open, sending nothing, until the client gives up.
      while (waitFor(fd, POLLIN)) {
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
      }
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Route> routes_;
  std::map<std::string, int> counts_;
  std::thread thread_;
};

}  // namespace imbrino::test
