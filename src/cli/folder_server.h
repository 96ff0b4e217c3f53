#pragma once
// Serves one folder over HTTP on the local machine, so that a browser can open the pages we
// write: browsers do not run a web player's WebAssembly from file:// pages.

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace fc::cli {

class TFolderServer {
public:
  // Throws fc::Error when `root` is not a folder.
  explicit TFolderServer(const std::filesystem::path& root);
  ~TFolderServer();
  TFolderServer(const TFolderServer&) = delete;
  TFolderServer& operator=(const TFolderServer&) = delete;

  // Binds `host`:`port` (0: a free port) and gives the port; throws fc::Error when the port
  // cannot be had.
  int Bind(const std::string& host, int port);
  // Answers requests in a thread of its own until Stop.
  void Start();
  // Whether the server has stopped answering (after Stop, or when it failed).
  bool Ended() const { return ended_; }
  // Stops the server and waits for its thread; gives false when it had failed. Safe from any
  // thread except a signal handler.
  bool Stop();

  // The Content-Type of a file, by its extension in any case.
  static std::string ContentType(const std::filesystem::path& file);

private:
  std::filesystem::path root_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<bool> ended_ = false;
  bool ran_ = true;
};

// The URL path of `file` below the served folder (each name percent-encoded).
std::string UrlPathOf(const std::filesystem::path& relative);

// The only .html page directly in `folder` (extension in any case), or nothing when there is
// none or more than one.
std::optional<std::filesystem::path> SinglePage(const std::filesystem::path& folder);

}  // namespace fc::cli
