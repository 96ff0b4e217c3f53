#include "test_dvd.h"

#include <cstdlib>
#include <fstream>

namespace fc::test {
namespace {

namespace fs = std::filesystem;

bool Tool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

}  // namespace

bool HaveDvdTools(bool with_iso) {
  return Tool("ffmpeg") && Tool("dvdauthor") && (!with_iso || Tool("genisoimage"));
}

bool MakeTestDvd(const fs::path& folder, const std::vector<TTestDvdTitle>& titles, const std::string& iso_label) {
  if (!HaveDvdTools(!iso_label.empty())) return false;
  const fs::path disc = folder / "disc";
  const fs::path iso = folder / "disc.iso";
  std::error_code ec;
  if (!fs::exists(disc / "VIDEO_TS" / "VTS_01_0.IFO", ec)) {
    fs::remove_all(disc, ec);
    fs::create_directories(folder, ec);
    std::string pgcs;
    for (size_t i = 0; i < titles.size(); ++i) {
      const std::string seconds = std::to_string(titles[i].Seconds);
      const fs::path mpg = folder / ("title" + std::to_string(i + 1) + ".mpg");
      // Each title has its own tone, so a test can tell the titles apart by their sound.
      if (!Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=720x576:rate=25:duration=" + seconds +
               " -f lavfi -i sine=frequency=" + std::to_string(300 * (i + 1)) + ":sample_rate=48000:duration=" +
               seconds + " -target pal-dvd -b:v 1500k -ac 2 " + Quoted(mpg)))
        return false;
      pgcs += "<pgc><vob file=\"" + mpg.string() + "\" chapters=\"" + titles[i].Chapters + "\"/></pgc>";
    }
    std::ofstream(folder / "dvd.xml") << "<dvdauthor dest=\"" << disc.string()
                                      << "\"><vmgm/><titleset><titles><audio lang=\"en\"/>" << pgcs
                                      << "</titles></titleset></dvdauthor>";
    if (!Run("VIDEO_FORMAT=PAL dvdauthor -x " + Quoted(folder / "dvd.xml") + " >/dev/null 2>&1")) return false;
    fs::remove(iso, ec);
  }
  if (!iso_label.empty() && !fs::exists(iso, ec))
    return Run("genisoimage -quiet -dvd-video -V " + iso_label + " -o " + Quoted(iso) + " " + Quoted(disc));
  return true;
}

}  // namespace fc::test
