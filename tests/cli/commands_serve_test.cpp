// flarecast-cli serve: the folder server answered by an HTTP client (in the test's process,
// and as the command a user runs).

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "../core/test_folder.h"
#include "cli/folder_server.h"
#include "core/error.h"
#include "core/file_io.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

// A server on a free port of 127.0.0.1, answering for the life of the object.
class TRunningServer {
public:
  explicit TRunningServer(const fs::path& root) : server_(root), port_(server_.Bind("127.0.0.1", 0)) { server_.Start(); }
  httplib::Client Client() const { return httplib::Client("127.0.0.1", port_); }
  int Port() const { return port_; }

private:
  cli::TFolderServer server_;
  int port_;
};

class ServeTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  std::string bytes_ = "0123456789abcdefghij";

  void SetUp() override {
    dir.write("page.HTML", std::string("\xFF\xFE<\0h\0", 6));
    dir.write("movie.swf", "FWS");
    dir.write("clip.flv", bytes_);
    dir.write("ruffle/ruffle.js", "1;");
    dir.write("ruffle/core.wasm", "\0asm");
    dir.write("thumb.JPG", "jpg");
    dir.write("picture.png", "png");
    dir.write("notes.bin", "?");
    dir.write("a b/c#d.txt", "hash");
  }
};

TEST_F(ServeTest, FilesComeWithTheTypesABrowserNeedsWhateverTheExtensionsCase) {
  TRunningServer server(dir.path());
  auto client = server.Client();
  const std::pair<const char*, const char*> cases[] = {
      {"/page.HTML", "text/html"},
      {"/movie.swf", "application/x-shockwave-flash"},
      {"/clip.flv", "video/x-flv"},
      // Scripts say UTF-8: a page in UTF-16 would otherwise lend them its own encoding.
      {"/ruffle/ruffle.js", "text/javascript; charset=utf-8"},
      {"/ruffle/core.wasm", "application/wasm"},
      {"/thumb.JPG", "image/jpeg"},
      {"/picture.png", "image/png"},
      {"/notes.bin", "application/octet-stream"},
      {"/a%20b/c%23d.txt", "text/plain"},
  };
  for (const auto& [path, type] : cases) {
    const auto response = client.Get(path);
    ASSERT_TRUE(response) << path;
    EXPECT_EQ(response->status, 200) << path;
    EXPECT_EQ(response->get_header_value("Content-Type"), type) << path;
    const auto head = client.Head(path);
    ASSERT_TRUE(head) << path;
    EXPECT_EQ(head->get_header_value("Content-Type"), type) << "HEAD " << path;
  }
  const auto page = client.Get("/page.HTML");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->body, std::string("\xFF\xFE<\0h\0", 6)) << "the page's bytes go out as they are";
}

TEST_F(ServeTest, ARangeRequestGetsThoseBytes) {
  TRunningServer server(dir.path());
  auto client = server.Client();
  const auto part = client.Get("/clip.flv", {{"Range", "bytes=4-9"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, "456789");
  EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 4-9/20");
  const auto tail = client.Get("/clip.flv", {{"Range", "bytes=15-"}});
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->status, 206);
  EXPECT_EQ(tail->body, "fghij");
}

TEST_F(ServeTest, MissingFilesAre404AndPathsClimbingOutAreRefused) {
  dir.write("../outside-of-the-served-folder.txt", "secret");
  TRunningServer server(dir.path());
  auto client = server.Client();
  const auto missing = client.Get("/nothing.swf");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  for (const char* path : {"/../outside-of-the-served-folder.txt", "/ruffle/../../outside-of-the-served-folder.txt",
                           "/%2e%2e/outside-of-the-served-folder.txt", "/ruffle/..", "/.."}) {
    const auto refused = client.Get(path);
    ASSERT_TRUE(refused) << path;
    EXPECT_EQ(refused->status, 403) << path;
    EXPECT_EQ(refused->body.find("secret"), std::string::npos) << path;
  }
  fs::remove(fs::path(dir.path()).parent_path() / "outside-of-the-served-folder.txt");
}

TEST_F(ServeTest, FoldersInsideAreListedWithEscapedLinks) {
  dir.write("<b>&.txt", "x");
  TRunningServer server(dir.path());
  auto client = server.Client();
  const auto root = client.Get("/");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->status, 200);
  EXPECT_NE(root->body.find("href=\"page.HTML\""), std::string::npos) << root->body;
  EXPECT_NE(root->body.find("href=\"a%20b/\""), std::string::npos) << root->body;
  EXPECT_NE(root->body.find("&lt;b&gt;&amp;.txt"), std::string::npos) << root->body;
  EXPECT_EQ(root->body.find("<b>"), std::string::npos);
  // Without the slash, relative links would resolve in the parent: the server adds it.
  const auto folder = client.Get("/ruffle");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->status, 302);
  EXPECT_EQ(folder->get_header_value("Location"), "ruffle/");
  const auto listing = client.Get("/ruffle/");
  ASSERT_TRUE(listing);
  EXPECT_NE(listing->body.find("href=\"ruffle.js\""), std::string::npos);
}

TEST_F(ServeTest, TheOnlyPageOfAFolderIsFoundInAnyCase) {
  EXPECT_EQ(cli::SinglePage(dir.path()), fs::path("page.HTML"));
  dir.write("second.html", "x");
  EXPECT_EQ(cli::SinglePage(dir.path()), std::nullopt) << "two pages: none is the page";
  test::TempFolder empty;
  EXPECT_EQ(cli::SinglePage(empty.path()), std::nullopt);
  EXPECT_EQ(cli::UrlPathOf("a b/c#d é.HTML"), "a%20b/c%23d%20%C3%A9.HTML");
}

TEST_F(ServeTest, AFolderThatIsNotThereIsAnError) {
  EXPECT_THROW(cli::TFolderServer(dir.file("missing")), Error);
  EXPECT_THROW(cli::TFolderServer(dir.file("movie.swf")), Error);
}

// The command as a user runs it: it says where it serves, answers, and ends with 0 on Ctrl-C.
TEST_F(ServeTest, TheCommandPrintsItsAddressAndThePageAndStopsCleanly) {
  test::TServedFolder served(dir.path());
  EXPECT_NE(served.Printed().find("Serving " + dir.path() + " at " + served.Url()), std::string::npos)
      << served.Printed();
  EXPECT_NE(served.Printed().find("Page: " + served.Url() + "page.HTML"), std::string::npos) << served.Printed();
  const std::string host_port = served.Url().substr(std::string("http://").size());
  httplib::Client client(host_port.substr(0, host_port.find(':')), std::stoi(host_port.substr(host_port.find(':') + 1)));
  const auto response = client.Get("/clip.flv");
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body, bytes_);
  EXPECT_EQ(served.Stop(), 0);
}

// xdg-open stands in for the desktop: it notes what it was asked to open, then fails.
TEST_F(ServeTest, OpenHandsThePagesAddressToTheDesktopAndAFailureIsOnlyAWarning) {
  test::TempFolder tools;
  const std::string opener = tools.write("xdg-open", "#!/bin/sh\necho \"$1\" > " + test::ShellQuote(tools.file("asked")) +
                                                         "\nexit 3\n");
  fs::permissions(opener, fs::perms::owner_all);
  const test::ScopedEnv path("PATH", tools.path() + ":" + std::getenv("PATH"));
  test::TServedFolder served(dir.path(), {"--open"});
  for (int i = 0; i < 100 && !fs::exists(tools.file("asked")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the opener's exit is seen while serving
  EXPECT_EQ(ReadFileText(tools.file("asked")), served.Url() + "page.HTML\n");
  EXPECT_EQ(served.Stop(), 0) << "a browser that does not open stops nothing";
}

TEST_F(ServeTest, ATakenPortThatWasAskedForIsAnErrorNotASharedPort) {
  TRunningServer taken(dir.path());
  const std::string cli = test::ShellQuote((test::ProgramDir() / "flarecast-cli").string());
  std::string said;
  // A server that shared the port would run on: the time limit ends it.
  EXPECT_EQ(test::RunCommand("timeout 20 " + cli + " serve " + test::ShellQuote(dir.path()) + " --port " +
                                 std::to_string(taken.Port()) + " 2>&1 </dev/null",
                             &said),
            1);
  EXPECT_NE(said.find("is taken"), std::string::npos) << said;
  said.clear();
  EXPECT_EQ(test::RunCommand(cli + " serve " + test::ShellQuote(dir.file("missing")) + " 2>&1 </dev/null", &said), 1);
  EXPECT_NE(said.find("Not a folder"), std::string::npos) << said;
}

}  // namespace
}  // namespace fc
