#include "cli/folder_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/text.h"

namespace fc::cli {
namespace {

namespace fs = std::filesystem;

struct TContentType {
  const char* Extension;  // lower case, with the dot
  const char* Type;
};

// Pages carry no charset: ours are UTF-16 with a byte order mark, which the browser reads
// from the bytes; a charset here would contradict it. Scripts do: without one, a classic
// script takes the encoding of the page that loads it, and Ruffle's UTF-8 scripts read as
// UTF-16 do not run.
constexpr TContentType kContentTypes[] = {
    {".html", "text/html"},
    {".htm", "text/html"},
    {".js", "text/javascript; charset=utf-8"},
    {".mjs", "text/javascript; charset=utf-8"},
    {".wasm", "application/wasm"},
    {".swf", "application/x-shockwave-flash"},
    {".flv", "video/x-flv"},
    {".mp4", "video/mp4"},
    {".mp3", "audio/mpeg"},
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".png", "image/png"},
    {".gif", "image/gif"},
    {".svg", "image/svg+xml"},
    {".css", "text/css"},
    {".json", "application/json"},
    {".map", "application/json"},
    {".xml", "text/xml"},
    {".txt", "text/plain"},
    {".md", "text/plain"},
};

bool ClimbsUp(const std::string& path) {
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find_first_of("/\\", start), path.size());
    if (path.compare(start, end - start, "..") == 0 && end - start == 2) return true;
    start = end + 1;
  }
  return false;
}

// A plain list of a folder's entries, so that the folder's address leads somewhere.
std::string Listing(const fs::path& folder, const std::string& url_path) {
  std::vector<std::pair<std::string, bool>> entries;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    entries.emplace_back(entry.path().filename().string(), entry.is_directory(ec));
  std::sort(entries.begin(), entries.end());
  std::string html = "<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>" + EscapeHtml(url_path) +
                     "</title></head><body>\n<h1>" + EscapeHtml(url_path) + "</h1>\n<ul>\n";
  for (const auto& [name, is_folder] : entries) {
    const std::string shown = name + (is_folder ? "/" : "");
    html += "<li><a href=\"" + EscapeHtml(UrlPathOf(name)) + (is_folder ? "/" : "") + "\">" + EscapeHtml(shown) +
            "</a></li>\n";
  }
  return html + "</ul>\n</body></html>\n";
}

}  // namespace

std::string UrlPathOf(const fs::path& relative) {
  std::string out;
  for (const fs::path& part : relative) {
    if (!out.empty()) out += '/';
    out += httplib::detail::encode_query_param(part.string());
  }
  return out;
}

std::optional<fs::path> SinglePage(const fs::path& folder) {
  std::optional<fs::path> page;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec) || ToLowerAscii(entry.path().extension().string()) != ".html") continue;
    if (page) return std::nullopt;
    page = entry.path().filename();
  }
  return page;
}

std::string TFolderServer::ContentType(const fs::path& file) {
  const std::string extension = ToLowerAscii(file.extension().string());
  for (const TContentType& row : kContentTypes)
    if (extension == row.Extension) return row.Type;
  return "application/octet-stream";
}

TFolderServer::TFolderServer(const fs::path& root) : server_(std::make_unique<httplib::Server>()) {
  std::error_code ec;
  root_ = fs::canonical(root, ec);
  if (ec || !fs::is_directory(root_)) throw Error("Not a folder: " + root.string());

  // The decoded path is checked before anything looks at the disk.
  server_->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
    if (!ClimbsUp(request.path) && request.path.find('\0') == std::string::npos)
      return httplib::Server::HandlerResponse::Unhandled;
    response.status = 403;
    response.set_content("Paths with \"..\" are refused.\n", "text/plain");
    return httplib::Server::HandlerResponse::Handled;
  });
  if (!server_->set_mount_point("/", root_.string())) throw Error("Cannot serve " + root_.string());
  // The library knows few types and only in lower case; ours come from one table. Set after
  // routing, so that HEAD requests get them too.
  server_->set_post_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    std::error_code error;
    if (request.path.empty() || request.path.back() == '/' ||
        !fs::is_regular_file(root_ / fs::path(request.path).relative_path(), error))
      return;
    response.headers.erase("Content-Type");
    response.set_header("Content-Type", ContentType(request.path));
    // Pages and movies are rewritten by every conversion: the browser asks again each time.
    response.set_header("Cache-Control", "no-cache");
  });
  // Files are answered by the mount above; what reaches this is a folder or nothing.
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    const fs::path folder = root_ / fs::path(request.path).relative_path();
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
      response.status = 404;
      response.set_content("Not found.\n", "text/plain");
      return;
    }
    if (request.path.empty() || request.path.back() != '/') {
      // Relative links of the listing resolve inside the folder only with the slash.
      response.set_redirect(UrlPathOf(fs::path(request.path).filename()) + "/");
      return;
    }
    response.set_content(Listing(folder, request.path), "text/html; charset=utf-8");
  });
  // The library's default also sets SO_REUSEPORT, with which a second server shares a port
  // that another program listens on, and requests go to either. Only TIME_WAIT is reused.
  server_->set_socket_options([](int socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_->set_keep_alive_timeout(2);
}

TFolderServer::~TFolderServer() { Stop(); }

int TFolderServer::Bind(const std::string& host, int port) {
  const int bound = port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
  if (bound <= 0) throw Error(port == 0 ? "Cannot open a port on " + host : Format("Port %d on %s is taken or not allowed", port, host.c_str()));
  return bound;
}

void TFolderServer::Start() {
  if (thread_.joinable()) return;
  ended_ = false;
  thread_ = std::thread([this] {
    ran_ = server_->listen_after_bind();
    ended_ = true;
  });
}

bool TFolderServer::Stop() {
  if (!thread_.joinable()) return ran_;
  // The library's stop only takes once the server listens: repeat until it has ended.
  while (!ended_) {
    server_->stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  thread_.join();
  return ran_;
}

}  // namespace fc::cli
