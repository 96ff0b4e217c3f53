// The preview view, the sound output and the main window's preview panel, offscreen.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

#include "engine/decoder.h"
#include "gui/main_window.h"
#include "gui/media_player_view.h"
#include "gui/qt_audio_output.h"
#include "playback/media_player.h"
#include "fake_prompts.h"

namespace fc::gui {

class TPreviewTest : public TWindowTest {
  Q_OBJECT

  QString clip_;  // 4 seconds, 320 × 240 with sound

  static void SaveScreenshot(QWidget& window, const QString& name) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPixmap picture = window.grab();
    QDir().mkpath("screenshots");
    QVERIFY(picture.save(QString("screenshots/%1@%2x.png").arg(name).arg(qRound(picture.devicePixelRatio()))));
  }

  void AttachClip(TMediaPlayer& player, bool sound) {
    const std::string path = clip_.toStdString();
    player.Attach(std::make_shared<TVideoDecoder>(path), sound ? std::make_shared<TAudioDecoder>(path) : nullptr,
                  TPictureMode::Processed);
  }

  QString SnapshotFolder() const { return dir_.path() + "/shots/new"; }

  // The main window with two clips, the first selected.
  std::unique_ptr<TMainForm> FormWithClips() {
    auto form = std::make_unique<TMainForm>(Context());
    form->resize(1000, 680);
    form->show();
    for (const char* name : {"a.mp4", "b.mp4"}) {
      QFile::remove(dir_.path() + "/" + name);
      QFile::copy(clip_, dir_.path() + "/" + name);
    }
    form->AddPaths({(dir_.path() + "/a.mp4").toStdString(), (dir_.path() + "/b.mp4").toStdString()}, false);
    form->SelectItems({form->JobList().Item(0)});
    return form;
  }

private slots:
  void initTestCase() {
    clip_ = dir_.path() + "/clip.mp4";
    if (!MakeClip(clip_, 4)) QSKIP("ffmpeg cannot make the test clip");
  }
  void init() {
    Start("[System]\nDefLanguage=ENU\nSnapshotPath=" + SnapshotFolder().toStdString() + "\nSnapshotFormat=jpg\n");
  }
  void cleanup() { core_.reset(); }

  void CropAreaFollowsTheMouseAndTheKeys() {
    QWidget window;
    auto* view = new TMediaPlayerView(&window);  // owned by the window
    view->setGeometry(0, 0, 353, 265);
    window.resize(353, 265);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy changed(view, &TMediaPlayerView::CropAreaChanged);
    view->ShowCropArea(true);
    view->SetCropArea({40, 40, 140, 120});  // without a player: view pixels are picture pixels
    QCOMPARE(view->GetCropArea(), (TCropRect{40, 40, 140, 120}));
    QCOMPARE(changed.count(), 0);

    // A drag from inside the rectangle moves it.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(80, 80));
    QTest::mouseMove(view, QPoint(100, 90));
    QTest::mouseMove(view, QPoint(110, 95));
    QVERIFY(changed.count() >= 1);
    QCOMPARE(view->GetCropArea().Left, 70);
    QCOMPARE(view->GetCropArea().Top, 55);
    // The owner's rectangle waits while the user drags.
    const int events = changed.count();
    view->SetCropArea({0, 0, 20, 20});
    QCOMPARE(view->GetCropArea().Left, 70);
    QCOMPARE(changed.count(), events);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(110, 95));
    QVERIFY(view->hasFocus());

    // The bottom-right handle resizes; never below 16.
    const TViewRect r = view->CropViewRect();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(r.Right, r.Bottom));
    QTest::mouseMove(view, QPoint(r.Left + 2, r.Top + 2));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(r.Left + 2, r.Top + 2));
    QCOMPARE(view->CropViewRect().Width(), kCropMinSize);
    QCOMPARE(view->CropViewRect().Height(), kCropMinSize);

    // Ctrl and Shift with the arrows.
    const TCropRect before = view->GetCropArea();
    const int before_events = changed.count();
    QTest::keyClick(view, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(view->GetCropArea().Left, before.Left + 1);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view->CropViewRect().Height(), kCropMinSize + 1);
    QCOMPARE(changed.count(), before_events + 2);
    QTest::keyClick(view, Qt::Key_Right);  // a plain arrow is not a crop key
    QCOMPARE(changed.count(), before_events + 2);
  }

  void FullScreenIsLeftWithEscapeAndDoubleClick() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* top = new QLabel("above", &window);
    auto* view = new TMediaPlayerView(&window);
    auto* bottom = new QLabel("below", &window);
    layout->addWidget(top);
    layout->addWidget(view, 1);
    layout->addWidget(bottom);
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy double_clicks(view, &TMediaPlayerView::DoubleClicked);

    view->SetFullScreen(true);
    QVERIFY(view->FullScreen());
    QVERIFY(view->window() != &window);
    QVERIFY(view->window()->isFullScreen() || view->window()->isVisible());
    QTest::keyClick(view, Qt::Key_F4, Qt::AltModifier);  // ignored
    QVERIFY(view->FullScreen());
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!view->FullScreen());
    QCOMPARE(view->parentWidget(), &window);
    QCOMPARE(layout->indexOf(view), 1);  // back between the labels

    view->SetFullScreen(true);
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!view->FullScreen());
    QCOMPARE(double_clicks.count(), 1);
    QCOMPARE(layout->indexOf(view), 1);
  }

  void APictureShowsWithItsAspect() {
    TMediaPlayer player;
    QWidget window;
    auto* view = new TMediaPlayerView(&window);
    view->setGeometry(0, 0, 400, 200);
    window.resize(400, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(view->DisplayRect(), QRect(0, 0, 400, 200));  // no player: the whole view
    view->SetPlayer(&player);
    AttachClip(player, false);
    player.Seek(1.0);
    QVERIFY(player.WaitForPicture(10000));
    QTRY_VERIFY(view->Picture() != nullptr);
    QCOMPARE(view->DisplayRect(), QRect(66, 0, 267, 200));  // 4:3 in the middle
    const QImage shot = view->grab().toImage();
    const qreal ratio = shot.devicePixelRatio();
    QCOMPARE(shot.width(), qRound(400 * ratio));  // drawn at device pixels
    QCOMPARE(QColor(shot.pixel(qRound(10 * ratio), qRound(100 * ratio))), QColor(Qt::black));
    QVERIFY(QColor(shot.pixel(qRound(200 * ratio), qRound(100 * ratio))) != QColor(Qt::black));
    view->SetPlayer(nullptr);  // forgets the picture too
    QVERIFY(view->Picture() == nullptr);
  }

  void WithoutASoundDeviceThePlayerRunsOnTheSystemClock() {
    TQtAudioOutput output;
    const bool device = !QMediaDevices::audioOutputs().isEmpty();
    const bool opened = output.Open(TAudioFormat{44100, 1, 16, 0});
    if (!device) QVERIFY(!opened);
    QCOMPARE(output.IsOpen(), opened);
    output.Close();
    QVERIFY(!output.IsOpen());
    QCOMPARE(output.Write(reinterpret_cast<const uint8_t*>("abcd"), 4), size_t{0});  // closed: takes nothing
    // Played through it, with sound, the position moves either way.
    TMediaPlayer player(nullptr, &output);
    AttachClip(player, true);
    player.Play();
    QTRY_VERIFY_WITH_TIMEOUT(player.PlayedTime() > 0.5, 10000);
    player.Stop();
    QCOMPARE(player.State(), fc::TPlayerState::Stopped);
  }

  void MainWindowPlaysPausesSeeksAndTakesSnapshots() {
    auto form = FormWithClips();
    TMediaPlayer& player = form->Player();
    QVERIFY(form->States().Play);
    QVERIFY(!form->States().Stop);
    form->PlaySelected();
    QCOMPARE(form->PreviewTask(), form->JobList().Item(0)->Task());
    QTRY_VERIFY_WITH_TIMEOUT(player.PlayedTime() > 0.3, 10000);
    QTRY_VERIFY(Find<QStackedWidget>(form.get(), "pnlPlayView")->currentIndex() == 1);
    QVERIFY(Find<QLabel>(form.get(), "lblPreviewTitle")->text().startsWith("Playing: "));
    QTRY_VERIFY(form->States().Stop && form->States().Snapshot);
    QTRY_VERIFY(Find<QLabel>(form.get(), "lblProgInfo")->text() != "00:00:00/00:00:00");

    form->PlayClicked();  // pauses
    QTRY_COMPARE(player.State(), fc::TPlayerState::Paused);
    // The slider seeks: the middle of the clip.
    Find<QSlider>(form.get(), "vtbPlayer")->setValue(500);
    QVERIFY(player.WaitForPicture(10000));
    QVERIFY(qAbs(player.PlayedTime() - player.MovieLength() / 2) < 0.1);

    // Snapshots count up in a folder made for them.
    const QString title = QString::fromStdString(form->PreviewTask()->Title);
    const QString first = QString::fromStdString(form->SaveSnapshot());
    QCOMPARE(first, SnapshotFolder() + "/" + title + ".jpg");
    QVERIFY(QFileInfo(first).size() > 1000);
    QCOMPARE(QString::fromStdString(form->SaveSnapshot()), SnapshotFolder() + "/" + title + "_1.jpg");
    form->OpenSnapshotFolder();
    QCOMPARE(desktop_.Opened.back(), SnapshotFolder().toStdString());

    // Volume and mute reach the player.
    Find<QSlider>(form.get(), "tbVolume")->setValue(150);
    QCOMPARE(player.Volume(), 150);
    Find<QToolButton>(form.get(), "btnVolume")->click();
    QCOMPARE(player.Volume(), 0);
    Find<QToolButton>(form.get(), "btnVolume")->click();
    QCOMPARE(player.Volume(), 150);

    // Deinterlacing goes to the preview processor.
    form->SetPreviewDeinterlace(2);
    QVERIFY(player.VideoProcessor()->FilterDescription() != "");
    form->SetPreviewDeinterlace(0);

    form->PlayClicked();  // resumes
    QTRY_COMPARE(player.State(), fc::TPlayerState::Playing);
  }

  void NextPreviousAndRemovingThePlayedTask() {
    auto form = FormWithClips();
    TMediaPlayer& player = form->Player();
    form->PlaySelected();
    const TMediaTask* first = form->JobList().Item(0)->Task();
    const TMediaTask* second = form->JobList().Item(1)->Task();
    QCOMPARE(form->PreviewTask(), first);
    form->PlayNeighbour(1);
    QCOMPARE(form->PreviewTask(), second);
    form->PlayNeighbour(1);  // wraps
    QCOMPARE(form->PreviewTask(), first);
    form->PlayNeighbour(-1);
    QCOMPARE(form->PreviewTask(), second);
    QTRY_VERIFY_WITH_TIMEOUT(player.PlayedTime() > 0.2, 10000);

    // Removing the task being played stops the preview first.
    form->SelectItems({form->JobList().Item(1)});
    form->RemoveSelected();
    QCOMPARE(form->JobList().Count(), size_t{1});
    QVERIFY(form->PreviewTask() == nullptr);
    QCOMPARE(player.State(), fc::TPlayerState::NoSource);
    QCOMPARE(Find<QStackedWidget>(form.get(), "pnlPlayView")->currentIndex(), 0);
    QTRY_VERIFY(!form->States().Stop);

    // Full screen from the view and back with Escape; the control panel comes along.
    form->PlaySelected();
    form->SetPreviewFullScreen(true);
    QVERIFY(form->PreviewView().FullScreen());
    QVERIFY(Find<QWidget>(form.get(), "CtlPanel")->isVisible());
    QTest::keyClick(&form->PreviewView(), Qt::Key_Escape);
    QVERIFY(!form->PreviewView().FullScreen());
    QVERIFY(!Find<QWidget>(form.get(), "CtlPanel")->isVisible());
    QCOMPARE(Find<QStackedWidget>(form.get(), "pnlPlayView")->currentWidget(), &form->PreviewView());
  }

  // Pictures for the eye: the main window at a stable picture, the view with its crop area.
  void Screenshots() {
    auto form = FormWithClips();
    form->PlaySelected();
    form->PlayClicked();
    QTRY_COMPARE(form->Player().State(), fc::TPlayerState::Paused);
    form->Player().Seek(1.5);
    QVERIFY(form->Player().WaitForPicture(10000));
    QTest::qWait(100);
    SaveScreenshot(*form, "main_preview");

    TMediaPlayer player;
    TMediaPlayerView view;
    view.resize(480, 320);
    view.SetPlayer(&player);
    AttachClip(player, false);
    player.Seek(2.0);
    QVERIFY(player.WaitForPicture(10000));
    QTRY_VERIFY(view.Picture() != nullptr);
    view.ShowCropArea(true);
    view.SetCropArea({40, 30, 260, 200});
    SaveScreenshot(view, "preview_crop");
    view.SetPlayer(nullptr);
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TPreviewTest)
#include "preview_test.moc"
