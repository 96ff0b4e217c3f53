// The clip dialog and the DVD loader on the offscreen platform, over a generated clip and a
// generated DVD.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

#include "gui/dvd_load_form.h"
#include "gui/mark_track_bar.h"
#include "gui/media_player_view.h"
#include "gui/model/job_list_model.h"
#include "gui/video_clip_form.h"
#include "playback/media_player.h"
#include "profiles/profile_catalogue.h"
#include "fake_prompts.h"
#include "test_dvd.h"

namespace fc::gui {

namespace fs = std::filesystem;

class TClipDvdFormTest : public TWindowTest {
  Q_OBJECT

  QString clip_;  // 4 s
  bool have_dvd_ = false;
  TProfileCatalogue catalogue_;
  const TProfileItem* profile_ = nullptr;

  struct TClipState {
    std::string Title;
    double Start, End;
    bool operator==(const TClipState&) const = default;
  };
  static std::vector<TClipState> Clips(TMediaBaseTask& base) {
    std::vector<TClipState> out;
    for (TMediaTask* t : base.Clips()) out.push_back({t->Title, t->StartTime(), t->EndTime()});
    return out;
  }
  // The job list with the clip added: its item and base task.
  TJobItem& AddClip(TJobListModel& list) {
    const TAddResult r = list.AddPaths({clip_.toStdString()}, *profile_);
    if (r.Added != 1) qFatal("the clip was not added");
    return *list.Item(0);
  }
  static TMediaBaseTask& Base(TJobItem& item) { return static_cast<TMediaBaseTask&>(*item.Task()); }
  static void Click(QWidget* form, const char* button) { QTest::mouseClick(Find<QPushButton>(form, button), Qt::LeftButton); }
  // Waits until the player has shown the picture a seek or step asked for.
  static bool Settle(TMediaPlayer* player) { return player && player->WaitForPicture(5000); }
  // Clicks a button of the modal dialog that the next event loop run shows.
  static void ClickInModal(const char* button) {
    QTimer::singleShot(0, [button] {
      if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 10000)) return;
      if (QWidget* modal = QApplication::activeModalWidget()) Click(modal, button);
    });
  }
  QString DvdFolder() const { return dir_.path() + "/dvd"; }
  // The disc under the name the loader shows.
  std::string Movie() const {
    const fs::path movie = fs::path(dir_.path().toStdString()) / "Movie";
    if (!fs::exists(movie)) fs::create_directory_symlink(fs::path(DvdFolder().toStdString()) / "disc", movie);
    return movie.string();
  }
  // The loader over the test disc, shown, with the list and tasks it works on.
  struct TDvdSession {
    TMediaTaskMgr Manager;
    TJobListModel List{Manager};
    TAddResult Added;
    std::unique_ptr<TDVDLoadForm> Form;
  };
  bool OpenDvd(TDvdSession& dvd) {
    dvd.Added = dvd.List.AddDvdFolder(Movie(), *profile_);
    if (!dvd.Added.DvdLoader) return false;
    dvd.Form = std::make_unique<TDVDLoadForm>(Context(), *dvd.Added.DvdLoader);
    dvd.Form->show();
    return QTest::qWaitForWindowExposed(dvd.Form.get());
  }
  static QTreeWidgetItem* Row(QTreeWidget* tree, int row) {
    QTreeWidgetItemIterator it(tree);
    for (int i = 0; *it; ++it, ++i)
      if (i == row) return *it;
    return nullptr;
  }

private slots:
  void initTestCase() {
    clip_ = dir_.path() + "/clip.mp4";
    if (!MakeClip(clip_, 4)) QSKIP("ffmpeg cannot make the test clip");
    catalogue_.LoadCatalogue(FLARECAST_PROGRAM_DIR);
    profile_ = catalogue_.FindProfile(101);
    QVERIFY(profile_);
    have_dvd_ = test::MakeTestDvd(DvdFolder().toStdString(), {{3, "0,1.5"}, {4, "0,1,2.5"}});
  }
  void init() { Start("[System]\nDefLanguage=ENU\n"); }
  void cleanup() { core_.reset(); }

  void ClipMarksByButtonsAndDraggingAndOk() {
    TMediaTaskMgr manager;
    TJobListModel list(manager);
    TJobItem& item = AddClip(list);
    TVideoClipForm form(Context(), Base(item), 0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* rows = Find<QTreeWidget>(&form, "lvClipList");
    QCOMPARE(rows->topLevelItemCount(), 1);
    QCOMPARE(rows->topLevelItem(0)->text(0), QString("Clip_1"));
    QCOMPARE(rows->topLevelItem(0)->text(2), QString("00:00:04"));
    QVERIFY(Find<QLineEdit>(&form, "meDisplayClipTime")->isVisible());  // the start cell is open

    // The start mark by the button, at the player's position.
    form.Player()->Seek(1.0);
    QVERIFY(Settle(form.Player()));
    Click(&form, "btnClipStart");
    QVERIFY(qAbs(form.Model().Start() - 1.0) < 0.1);
    QCOMPARE(rows->topLevelItem(0)->text(1), QString("00:00:01"));

    // A new clip, then its end mark dragged on the track bar.
    Click(&form, "btnNewClip");
    QCOMPARE(rows->topLevelItemCount(), 2);
    QCOMPARE(rows->topLevelItem(1)->text(0), QString("Clip_2"));
    auto* bar = Find<TMarkTrackBar>(&form, "vtbPlayer");
    const int y = bar->height() - 3;
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->PixelOf(form.Model().End()), y));
    QTest::mouseMove(bar, QPoint(bar->PixelOf(2.5), y));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->PixelOf(2.5), y));
    const double pixel = form.Model().Duration() / bar->Steps();
    QVERIFY2(qAbs(form.Model().End() - 2.5) <= pixel, qPrintable(QString::number(form.Model().End())));

    // The rules at the limits: an end beyond the source is corrected after a message.
    form.EditTimeCell(1, TClipColumn::End);
    Find<QLineEdit>(&form, "meDisplayClipTime")->setText("99:99:99");
    form.CommitTimeEdit();
    QCOMPARE(prompts_.Messages.size(), size_t{1});
    QVERIFY(prompts_.Messages[0].contains("end time"));
    QCOMPARE(form.Model().End(), form.Model().Duration());
    form.Model().SetStart(form.Model().Duration());  // a start at the end keeps a second
    QCOMPARE(form.Model().Start(), form.Model().Duration() - 1);

    Click(&form, "btnOk");
    QCOMPARE(form.result(), int(QDialog::Accepted));
    list.TakeClips(item, form.Model().Working(), form.Model().Selected());
    const std::vector<TClipState> clips = Clips(Base(item));
    QCOMPARE(clips.size(), size_t{2});
    QVERIFY(qAbs(clips[0].Start - 1.0) < 0.1);
    QCOMPARE(clips[1].Title, std::string("Clip_2"));
    QCOMPARE(clips[1].End, Base(item).Duration());
    QCOMPARE(item.ChildCount(), size_t{2});
  }

  void ClipPlayAndFrameSteps() {
    TMediaTaskMgr manager;
    TJobListModel list(manager);
    TJobItem& item = AddClip(list);
    TVideoClipForm form(Context(), Base(item), 0);
    form.show();
    form.SeekTo(1.0);
    QVERIFY(Settle(form.Player()));
    const double before = form.PlayerPosition();
    Click(&form, "btnNextFrame");
    QVERIFY(Settle(form.Player()));
    const double after = form.PlayerPosition();
    QVERIFY2(after > before && after < before + 0.1, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    Click(&form, "btnLastFrame");
    QVERIFY(Settle(form.Player()));
    QVERIFY2(form.PlayerPosition() < after, qPrintable(QString::number(form.PlayerPosition())));
    // The section plays from its start and stops at its end.
    form.Model().SetStart(1);
    form.Model().SetEnd(2);
    form.PlaySection();
    QVERIFY(QTest::qWaitFor([&] { return form.Player()->State() == TPlayerState::Stopped; }, 10000));
    QVERIFY(form.PlayerPosition() > 1.5);
    form.ShowPosition();
    QVERIFY(Find<QPushButton>(&form, "btnProgInfo")->text().endsWith("/00:00:04"));
  }

  void ClipCancelLeavesTheTaskAsItWas() {
    TMediaTaskMgr manager;
    TJobListModel list(manager);
    TJobItem& item = AddClip(list);
    TMediaBaseTask& base = Base(item);
    base.AddClip()->SetRange(0, 1.5);
    base.AddClip()->SetRange(1.5, 3);
    TMediaTask* first = base.Clips().Items(0);
    const std::vector<TClipState> before = Clips(base);
    TVideoClipForm form(Context(), base, 1);
    form.show();
    QCOMPARE(form.Model().Selected(), 1);
    Click(&form, "btnNewClip");
    form.Model().SetStart(0.5);
    form.DeleteRow(0);  // frees the copy's clip only
    QCOMPARE(Find<QTreeWidget>(&form, "lvClipList")->topLevelItemCount(), 2);
    // Cancel asks; "Cancel" keeps the dialog open, "No" ends it without the changes.
    prompts_.ThreeWay = TAnswer::Cancel;
    Click(&form, "btnCancel");
    QVERIFY(form.isVisible());
    prompts_.ThreeWay = TAnswer::No;
    Click(&form, "btnCancel");
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QCOMPARE(prompts_.Messages.size(), size_t{2});
    QVERIFY(prompts_.Messages[0].contains("keep the changes"));
    QCOMPARE(Clips(base), before);
    QCOMPARE(base.Clips().Items(0), first);
    QCOMPARE(first->Title, before[0].Title);  // still a live clip
  }

  void ClipDialogThroughItsEntryPoint() {
    TMediaTaskMgr manager;
    TJobListModel list(manager);
    TJobItem& item = AddClip(list);
    ClickInModal("btnOk");
    const TCommandResult r = RunVideoClipDialog(Context(), list, item);
    QVERIFY(r.Changed);
    QCOMPARE(Base(item).Clips().Count(), size_t{1});
    QCOMPARE(item.ChildCount(), size_t{1});
    QCOMPARE(r.Select, item.Child(0));
    // Opened on the clip: its base task's clips, Cancel changes nothing.
    ClickInModal("btnCancel");
    prompts_.ThreeWay = TAnswer::No;
    QVERIFY(!RunVideoClipDialog(Context(), list, *item.Child(0)).Changed);
    QCOMPARE(Base(item).Clips().Count(), size_t{1});
  }

  void DvdTreeChecksAndStreams() {
    if (!have_dvd_) QSKIP("dvdauthor cannot make the test DVD");
    TDvdSession dvd;
    QVERIFY(OpenDvd(dvd));
    TMediaTaskMgr& manager = dvd.Manager;
    TJobListModel& list = dvd.List;
    TDVDLoadForm& form = *dvd.Form;
    auto* tree = Find<QTreeWidget>(&form, "lvFileList");
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* disc = tree->topLevelItem(0);
    QCOMPARE(disc->text(0), QString("Movie"));
    QCOMPARE(disc->childCount(), 2);
    QCOMPARE(disc->child(0)->childCount(), 2);
    QCOMPARE(disc->child(1)->childCount(), 3);
    QVERIFY(disc->child(0)->isExpanded());
    QCOMPARE(disc->child(0)->checkState(0), Qt::Checked);
    QCOMPARE(disc->child(1)->child(2)->checkState(0), Qt::Unchecked);
    QCOMPARE(form.SelectedRow(), 1);
    QTest::qWait(20);  // the refresh after the selection
    QVERIFY(!Find<QPushButton>(&form, "btnPrevious")->isEnabled());  // row 0 is the disc
    QVERIFY(Find<QPushButton>(&form, "btnNext")->isEnabled());
    auto* subtitles = Find<QComboBox>(&form, "cbSubTitle");
    auto* audio = Find<QComboBox>(&form, "cbAudioTrack");
    QVERIFY(subtitles->isEnabled());
    QCOMPARE(subtitles->currentIndex(), subtitles->count() - 1);  // "No subtitle"
    QCOMPARE(audio->count(), 1);
    emit audio->activated(0);
    QCOMPARE(form.Loader().TaskOf(1)->Source()->AudioDecodeOptions.AudioTrackID, 0x80);

    // Select all, then none; a chapter ticked by hand.
    auto* all = Find<QCheckBox>(&form, "CheckAllTaskBox");
    all->setChecked(true);
    emit all->clicked(false);
    QCOMPARE(disc->child(0)->checkState(0), Qt::Unchecked);
    QVERIFY(!form.Loader().Row(1).Checked);
    emit all->clicked(true);
    QCOMPARE(disc->child(1)->child(0)->checkState(0), Qt::Checked);
    emit all->clicked(false);
    disc->child(1)->child(1)->setCheckState(0, Qt::Checked);
    QVERIFY(form.Loader().Row(6).Checked);

    Click(&form, "btnOK");
    QCOMPARE(form.result(), int(QDialog::Accepted));
    list.TakeDvdChoices(form.Loader());
    QCOMPARE(list.Count(), size_t{1});
    QCOMPARE(list.Caption(*list.Item(0)), std::string("Movie_Chapter_010202"));
    QCOMPARE(manager.Tasks().Count(), size_t{1});
  }

  void DvdPreviewClicksAndNavigation() {
    if (!have_dvd_) QSKIP("dvdauthor cannot make the test DVD");
    TDvdSession dvd;
    QVERIFY(OpenDvd(dvd));
    TDVDLoadForm& form = *dvd.Form;
    auto* view = Find<TMediaPlayerView>(&form, "PlayPanel");
    auto* title = Find<QLabel>(&form, "lblPreviewTitle");
    QCOMPARE(title->text(), QString("Playing: Movie_Title_01_01"));

    Click(&form, "btnPlay");
    QVERIFY(form.Previewing());
    QCOMPARE(form.PreviewedTask(), form.Loader().TaskOf(1));
    QVERIFY(QTest::qWaitFor([&] { return view->Picture() != nullptr; }, 10000));
    QVERIFY(view->isVisible());
    QVERIFY(!Find<QComboBox>(&form, "cbSubTitle")->isEnabled());  // not while previewing
    QVERIFY(Find<QPushButton>(&form, "btnStop")->isEnabled());

    // Next plays the following row with a task (the first chapter).
    Click(&form, "btnNext");
    QCOMPARE(form.SelectedRow(), 2);
    QCOMPARE(form.PreviewedTask(), form.Loader().TaskOf(2));
    QCOMPARE(title->text(), QString("Playing: Movie_Chapter_010101"));
    // Previous from the first title goes round to the last chapter, skipping the disc.
    form.SelectRow(1);
    Click(&form, "btnPrevious");
    QCOMPARE(form.SelectedRow(), 7);

    // A single click on another row only stops the preview; a double click plays it.
    auto* tree = Find<QTreeWidget>(&form, "lvFileList");
    const QRect second = tree->visualItemRect(Row(tree, 4));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(QTest::qWaitFor([&] { return !form.Previewing(); }, QApplication::doubleClickInterval() + 2000));
    QCOMPARE(form.SelectedRow(), 4);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(QTest::qWaitFor([&] { return form.PreviewedTask() == form.Loader().TaskOf(4); },
                            QApplication::doubleClickInterval() + 2000));

    Click(&form, "btnStop");
    QVERIFY(!form.Player());
    QCOMPARE(Find<QLabel>(&form, "lblProgInfo")->text(), QString("00:00:00/00:00:00"));
    QVERIFY(!view->isVisible());
  }

  void DvdCancelAddsNothingAndLeavesNoTask() {
    if (!have_dvd_) QSKIP("dvdauthor cannot make the test DVD");
    TMediaTaskMgr manager;
    TJobListModel list(manager);
    ClickInModal("btnCancel");
    const TCommandResult r = RunDvdLoader(Context(), list, list.AddDvdFolder(Movie(), *profile_));
    QVERIFY(!r.Changed);
    QVERIFY(list.Empty());
    QCOMPARE(manager.Tasks().Count(), size_t{0});
    // OK through the entry point: the ticked titles join the list.
    ClickInModal("btnOK");
    const TCommandResult ok = RunDvdLoader(Context(), list, list.AddDvdFolder(Movie(), *profile_));
    QVERIFY(ok.Changed);
    QCOMPARE(list.Count(), size_t{2});
    QCOMPARE(ok.Select, list.Item(0));
    QCOMPARE(manager.Tasks().Count(), size_t{7});  // two titles and their five chapters
  }

  void Screenshots() {
    TMediaTaskMgr manager;
    TJobListModel list(manager);
    TJobItem& item = AddClip(list);
    Base(item).AddClip()->SetRange(0.5, 2);
    Base(item).Clips().Items(0)->Title = "Clip_1";
    {
      TVideoClipForm form(Context(), Base(item), 0);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      form.Player()->Seek(1.2);
      QVERIFY(Settle(form.Player()));
      form.NewClip();
      auto* view = Find<TMediaPlayerView>(&form, "playWindow");
      QVERIFY(QTest::qWaitFor([&] { return view->Picture() != nullptr; }, 5000));
      form.ShowPosition();
      SaveScreenshot(form, "video_clip");
    }
    if (!have_dvd_) return;
    TDvdSession dvd;
    QVERIFY(OpenDvd(dvd));
    TDVDLoadForm& form = *dvd.Form;
    form.Play();
    auto* view = Find<TMediaPlayerView>(&form, "PlayPanel");
    QVERIFY(QTest::qWaitFor([&] { return view->Picture() != nullptr; }, 10000));
    form.Player()->Pause();
    form.Player()->Seek(1.0);
    QVERIFY(Settle(form.Player()));
    QTest::qWait(100);
    SaveScreenshot(form, "dvd_loader");
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TClipDvdFormTest)
#include "clip_dvd_form_test.moc"
