#include "core/log.h"

#include <gtest/gtest.h>

#include "core/application.h"
#include "core/file_io.h"
#include "test_folder.h"

namespace fc {
namespace {

TEST(LogFile, SecondCopyLogsToNumberedFile) {
  test::TempFolder dir;
  const std::string folder = dir.file("Log");
  auto first = TLogFile::Open(folder);
  auto second = TLogFile::Open(folder);  // the lock is per open file, as between processes
  auto third = TLogFile::Open(folder);
  EXPECT_EQ(first->Path(), folder + "/Log.txt");
  EXPECT_EQ(second->Path(), folder + "/Log(1).txt");
  EXPECT_EQ(third->Path(), folder + "/Log(2).txt");

  second.reset();  // a copy that ended frees its name for the next one
  auto fourth = TLogFile::Open(folder);
  EXPECT_EQ(fourth->Path(), folder + "/Log(1).txt");
}

TEST(LogFile, NameWithoutExtensionGetsTxt) {
  test::TempFolder dir;
  auto a = TLogFile::Open(dir.path(), "Run");
  auto b = TLogFile::Open(dir.path(), "Run");
  EXPECT_EQ(a->Path(), dir.file("Run"));
  EXPECT_EQ(b->Path(), dir.file("Run(1).txt"));
}

TEST(LogFile, OneLinePerCallAfterTheHeader) {
  test::TempFolder dir;
  auto log = TLogFile::Open(dir.path());
  SetProcessLog(log.get());
  log->Write(TApplicationCore::LogHeader("My Product"));
  Log("Elapsed time: 00:01:02");
  SetProcessLog(nullptr);
  Log("dropped: no log is open");
  const std::string text = ReadFileText(log->Path());
  const auto lines = std::count(text.begin(), text.end(), '\n');
  EXPECT_EQ(lines, 2);
  EXPECT_NE(text.find("==My Product(Version: " + TApplicationCore::VersionText() + ")===\n"), std::string::npos);
  EXPECT_NE(text.find("Elapsed time: 00:01:02\n"), std::string::npos);
}

TEST(LogFile, VersionTextHasThreeNumbers) {
  const std::string v = TApplicationCore::VersionText();
  EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 2) << v;
}

}  // namespace
}  // namespace fc
