#pragma once
// A source with made-up media values, for the model rules that need no real media.

#include <gtest/gtest.h>

#include <memory>

#include "profiles/profile_catalogue.h"
#include "tasks/task_source.h"

namespace fc::test {

class FakeSource : public TMediaTaskMediaSource {
public:
  explicit FakeSource(double length, int width = 320, int height = 240) {
    Loaded = false;  // nothing to decode: CreateEncoder gives no encoder
    Length = length;
    EndTime = length;
    HasVideo = HasAudio = true;
    VideoFormat.Width = width;
    VideoFormat.Height = height;
    VideoFormat.FrameRate = 25;
    AudioFormat.SampleRate = 44100;
    AudioFormat.Channels = 2;
  }
  std::unique_ptr<TMediaTaskMediaSource> Copy() const override { return std::make_unique<FakeSource>(*this); }
  std::shared_ptr<TVideoSource> CreateVideoDecoder(TMediaPurpose, const TEncodeParams&) override { return nullptr; }
  std::shared_ptr<TAudioSource> CreatePlainAudioDecoder(TMediaPurpose) override { return nullptr; }
};

inline TMediaBaseTask* AddFakeTask(TMediaTaskMgr& mgr, double length, const std::string& name = "a.flv") {
  auto* t = static_cast<TMediaBaseTask*>(
      mgr.Tasks().Add(std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::make_unique<FakeSource>(length))));
  t->OutputFileName = name;
  return t;
}

// The FLV profile of the catalogue that ships (101: FLV 320x240).
inline const TProfileItem& FlvProfile() {
  static const TProfileCatalogue catalogue = [] {
    TProfileCatalogue c;
    c.LoadCatalogue(std::string(FLARECAST_TEST_DATA_DIR) + "/../data");
    return c;
  }();
  const TProfileItem* p = catalogue.FindProfile(101);
  EXPECT_NE(p, nullptr);
  return *p;
}

}  // namespace fc::test
