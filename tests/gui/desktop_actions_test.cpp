// Opening pages and folders, powering off, and the upload list.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "core/text.h"
#include "gui/model/desktop_actions.h"
#include "gui/model/upload_list.h"

namespace fc::gui {
namespace {

namespace fs = std::filesystem;

TEST(UploadList, EntriesSplitAtBreaksAndTheFirstCharacterEnablesThem) {
  const std::string text = "1http://a.example/x<br>0https://b.example<br><br>1https://c.example/?q=1";
  const std::vector<TUploadEntry> entries = ParseUploadList(text);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], (TUploadEntry{true, "http://a.example/x"}));
  EXPECT_EQ(entries[1], (TUploadEntry{false, "https://b.example"}));
  EXPECT_EQ(FormatUploadList(entries), "1http://a.example/x<br>0https://b.example<br>1https://c.example/?q=1<br>");
  EXPECT_EQ(EnabledUploadUrls(text), (std::vector<std::string>{"http://a.example/x", "https://c.example/?q=1"}));
  EXPECT_TRUE(EnabledUploadUrls("0http://a<br>0http://b").empty());
  EXPECT_TRUE(ParseUploadList("").empty());
}

TEST(DesktopActions, OnlyWebAddressesAndFileUrlsAreOpened) {
  EXPECT_TRUE(IsWebAddress("http://example.com"));
  EXPECT_TRUE(IsWebAddress("HTTPS://example.com/a?b=c#d"));
  for (const char* bad : {"javascript:alert(1)", "file:///etc/passwd", "ftp://example.com", "http://", "http:///x",
                          "https://exa mple.com", "http://example.com/\n", "-http://x", "example.com"})
    EXPECT_FALSE(IsWebAddress(bad)) << bad;

  const std::string path = "/tmp/my page/ä%.HTML";
  const std::string url = FileUrl(path);
  EXPECT_EQ(url, "file:///tmp/my%20page/%C3%A4%25.HTML");
  EXPECT_EQ(PathOfFileUrl(url), path);
  EXPECT_EQ(PathOfFileUrl("file://host/x"), "");
  EXPECT_EQ(PathOfFileUrl("file:///a%0Ab"), "");  // a control character
  EXPECT_EQ(PathOfFileUrl("file:///a%zz"), "");
  EXPECT_EQ(PathOfFileUrl("file:///a%4"), "");
  EXPECT_EQ(PathOfFileUrl("http://x/"), "");
}

TEST(DesktopActions, ProgramsGetTheirArgumentsWithoutAShell) {
  const fs::path dir = fs::temp_directory_path() / "fc_desktop_actions";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path record = dir / "opened.txt";
  // The opener writes what it was given; the address reaches it as one argument, unexpanded.
  TSystemDesktopActions desktop({.Open = {"sh", "-c", "printf '%s' \"$1\" > '" + record.string() + "'", "opener"},
                                 .PowerOff = {"true"}});
  const auto opened = [&] {
    for (int i = 0; i < 200 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ifstream in(record);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(record);
    return text;
  };
  EXPECT_TRUE(desktop.OpenUrl("https://example.com/?a=$(touch${IFS}x)&b;c"));
  EXPECT_EQ(opened(), "https://example.com/?a=$(touch${IFS}x)&b;c");
  EXPECT_TRUE(desktop.OpenFolder("/tmp/a folder"));
  EXPECT_EQ(opened(), "/tmp/a folder");
  EXPECT_FALSE(desktop.OpenUrl("javascript:alert(1)"));
  EXPECT_FALSE(desktop.OpenUrl("smb://server/share"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(fs::exists(record));  // refused without starting the opener
  EXPECT_TRUE(desktop.PowerOff());
  EXPECT_FALSE(TSystemDesktopActions({.Open = {"true"}, .PowerOff = {"false"}}).PowerOff());
  EXPECT_FALSE(TSystemDesktopActions({.Open = {"/no/such/program"}, .PowerOff = {"/no/such/program"}}).PowerOff());
  // The real request is logind's normal power-off, never a forced one.
  const std::vector<std::string> real = TSystemDesktopActions::TCommands{}.PowerOff;
  EXPECT_EQ(std::vector<std::string>(real.end() - 4, real.end()),
            (std::vector<std::string>{"org.freedesktop.login1.Manager", "PowerOff", "b", "false"}));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace fc::gui
