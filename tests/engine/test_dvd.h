#pragma once
// A small PAL DVD made at test time with the ffmpeg, dvdauthor and genisoimage tools: one title
// set whose titles are generated pictures with a sine tone, and optionally an ISO image of it.
// No test framework is needed, so GoogleTest and Qt Test executables share it.

#include <filesystem>
#include <string>
#include <vector>

namespace fc::test {

struct TTestDvdTitle {
  int Seconds = 3;
  std::string Chapters = "0";  // dvdauthor's chapter marks, e.g. "0,1.5"
};

// True when ffmpeg and dvdauthor (and, for images, genisoimage) are installed.
bool HaveDvdTools(bool with_iso = false);

// Makes the disc once: `folder`/disc holds VIDEO_TS, and with an `iso_label` `folder`/disc.iso
// is an image of it with that volume label. False when a tool is missing or fails.
bool MakeTestDvd(const std::filesystem::path& folder, const std::vector<TTestDvdTitle>& titles,
                 const std::string& iso_label = "");

}  // namespace fc::test
