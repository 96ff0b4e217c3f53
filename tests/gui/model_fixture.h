#pragma once
// A job list over a real task manager and the real profile catalogue, with generated clips.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gui/model/job_list_model.h"
#include "media_fixture.h"
#include "profiles/profile_catalogue.h"

namespace fc::test {

class JobListTest : public ::testing::Test {
protected:
  void SetUp() override {
    catalogue.LoadCatalogue(FLARECAST_PROGRAM_DIR);
    profile = catalogue.FindProfile(101);  // FLV 320x240
    ASSERT_NE(profile, nullptr);
    dir = std::filesystem::temp_directory_path() /
          ("fc_gui_model_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // A copy of the standard clip named `name` in the test's folder.
  std::string Clip(const std::string& name) {
    const std::string path = (dir / name).string();
    std::filesystem::copy_file(StandardClip(), path, std::filesystem::copy_options::overwrite_existing);
    return path;
  }
  // Adds clips a.mp4, b.mp4, ... (count of them) and returns their items.
  std::vector<gui::TJobItem*> AddClips(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) paths.push_back(Clip(std::string(1, static_cast<char>('a' + i)) + ".mp4"));
    const gui::TAddResult r = list.AddPaths(paths, *profile);
    EXPECT_EQ(r.Added, count);
    std::vector<gui::TJobItem*> items;
    for (size_t i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
    return items;
  }

  TProfileCatalogue catalogue;
  const TProfileItem* profile = nullptr;
  TMediaTaskMgr manager;
  gui::TJobListModel list{manager};
  std::filesystem::path dir;
};

}  // namespace fc::test
