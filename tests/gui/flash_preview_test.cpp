// The live Flash preview on the offscreen platform: Ruffle from the program folder plays the
// preview movie in Qt WebEngine, served over the program's own URL scheme, and the movie's
// trace lines reach the window. The Customize dialog shows it on its template page.

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWebEngineView>

#include <filesystem>

#include "core/text.h"
#include "credit_feature.h"
#include "fake_prompts.h"
#include "gui/customize_form.h"
#include "gui/flash_preview.h"
#include "profiles/profile_catalogue.h"

namespace fc::gui {

class TFlashPreviewTest : public TWindowTest {
  Q_OBJECT

  static constexpr int kPlayTimeoutMs = 60000;  // Chromium's first start is slow on a busy machine

  // Waits for a trace line starting with `prefix`; the lines seen go into `seen`.
  static bool WaitForTrace(TFlashPreview& preview, const QString& prefix, QStringList& seen) {
    bool found = false;
    const auto connection = QObject::connect(&preview, &TFlashPreview::Traced, [&](const QString& line) {
      seen << line;
      found = found || line.startsWith(prefix);
    });
    (void)QTest::qWaitFor([&] { return found; }, kPlayTimeoutMs);
    QObject::disconnect(connection);
    return found;
  }

  // The share of the picture that is not black.
  static double Drawn(const QImage& picture) {
    int drawn = 0;
    for (int y = 0; y < picture.height(); y += 4)
      for (int x = 0; x < picture.width(); x += 4)
        if (qGray(picture.pixel(x, y)) > 24) ++drawn;
    return drawn / std::max(1.0, (picture.width() / 4.0) * (picture.height() / 4.0));
  }

private slots:
  void initTestCase() {
    QVERIFY(TFlashPreview::Available());
    qputenv("XDG_CACHE_HOME", (dir_.path() + "/cache").toUtf8());
    if (!std::filesystem::is_regular_file(FLARECAST_PROGRAM_DIR "/ruffle/ruffle.js"))
      QSKIP("Ruffle is not in the program folder (npm ci in tools/player failed)");
  }
  void init() { Start("[System]\nDefLanguage=ENU\n"); }
  void cleanup() { core_.reset(); }

  void TheMoviePlaysInRuffle() {
    TSwfFeature feature;
    feature.ProgramFolder = FLARECAST_PROGRAM_DIR;
    feature.PlayerID = "Player01.png";
    feature.AutoPlay = true;
    feature.DebugTrace = true;
    const std::string movie = feature.BuildPreview(nullptr);
    TFlashPreview preview(FLARECAST_PROGRAM_DIR "/ruffle");
    bool loaded = false;
    connect(&preview, &TFlashPreview::MovieLoaded, [&loaded](bool ok) { loaded = ok; });
    preview.resize(320, 281);
    preview.show();
    preview.ShowMovie(movie);
    QStringList traces;
    QVERIFY2(WaitForTrace(preview, "player:play", traces), qPrintable(traces.join('\n')));
    QVERIFY(loaded);
    QVERIFY(traces.filter("player:play").first().contains("Fcst.flv"));
  }

  void OnlyThePreviewFilesAreServed() {
    TSwfFeature feature;
    feature.ProgramFolder = FLARECAST_PROGRAM_DIR;
    const std::string movie = feature.BuildPreview(nullptr);
    TFlashPreview preview(FLARECAST_PROGRAM_DIR "/ruffle");
    preview.show();
    bool loaded = false;
    connect(&preview, &TFlashPreview::MovieLoaded, [&loaded](bool) { loaded = true; });
    preview.ShowMovie(movie);
    QVERIFY(QTest::qWaitFor([&] { return loaded; }, kPlayTimeoutMs));
    // Requests from the page: the movie's own folder and Ruffle's answer, nothing else does.
    const auto status = [&](const QString& url) {
      int result = -2;
      preview.View()->page()->runJavaScript(
          QString("(function(){const r=new XMLHttpRequest();try{r.open('GET','%1',false);r.send();return r.status;}"
                  "catch(e){return -1;}})()")
              .arg(url),
          [&result](const QVariant& v) { result = v.toInt(); });
      (void)QTest::qWaitFor([&] { return result != -2; }, 10000);
      return result;
    };
    QCOMPARE(status("flarecast://preview/ruffle/ruffle.js"), 200);
    QCOMPARE(status("flarecast://preview/movie/1/Fcst.flv"), 200);
    QVERIFY(status("flarecast://preview/movie/1/..%2F..%2F..%2Fetc%2Fpasswd") != 200);
    QVERIFY(status("flarecast://preview/movie/1/%2Fetc%2Fpasswd") != 200);
    QVERIFY(status("flarecast://preview/ruffle/../../format.dat") != 200);
    QVERIFY(status("flarecast://elsewhere/ruffle/ruffle.js") != 200);
  }

  // The dialog's template page shows the movie playing; the screenshot shows the dialog with it.
  void DialogShowsThePreview() {
    TProfileCatalogue catalogue;
    catalogue.LoadCatalogue(FLARECAST_PROGRAM_DIR);
    TSwfFeature feature = test::TextCreditFeature(28, 24, 24);
    feature.AutoPlay = true;
    TCustomProfileSettings custom;
    custom.FormatId = 101;
    TCustomizeForm form(Context(), &catalogue, feature, custom);
    form.resize(980, 640);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Find<QPushButton>(&form, "btnNext")->click();
    Find<QPushButton>(&form, "btnNext")->click();
    QCOMPARE(form.Page(), TCustomizePage::Template);
    QVERIFY(form.Preview());
    QStringList traces;
    QVERIFY2(WaitForTrace(*form.Preview(), "player:play", traces), qPrintable(traces.join('\n')));
    // Some frames later the video shows in the player.
    QVERIFY(QTest::qWaitFor([&] { return Drawn(form.PlayerArea()->grab().toImage()) > 0.2; }, 20000));
    SaveScreenshot(form, "customize_preview");
    // A change of skin builds and plays the movie again.
    auto* skins = Find<QListWidget>(&form, "FSPhotoView_SkinList");
    skins->setCurrentRow(skins->currentRow() == 0 ? 1 : 0);
    traces.clear();
    QVERIFY2(WaitForTrace(*form.Preview(), "player:play", traces), qPrintable(traces.join('\n')));
  }
};

}  // namespace fc::gui

int main(int argc, char** argv) {
  fc::gui::TFlashPreview::RegisterScheme();
  QApplication app(argc, argv);
  fc::gui::TFlashPreviewTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "flash_preview_test.moc"
