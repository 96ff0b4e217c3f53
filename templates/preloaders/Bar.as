// Bar.swf: a progress bar on a dark panel (160 x 40).

var kPreloaderWidth = 160;
var kPreloaderHeight = 40;

#include "preloader_core.as"

var kInset = 14;
var kTrackHeight = 10;

this.createEmptyMovieClip("panel_mc", 1);
this.createEmptyMovieClip("fill_mc", 2);
panel_mc.beginFill(kPanelColor, kPanelAlpha);
DrawRoundBox(panel_mc, 0, 0, kPreloaderWidth, kPreloaderHeight, 8);
panel_mc.endFill();
panel_mc.beginFill(kTrackColor, 100);
DrawBox(panel_mc, kInset, (kPreloaderHeight - kTrackHeight) / 2, kPreloaderWidth - 2 * kInset, kTrackHeight);
panel_mc.endFill();

function PreloaderDraw(share) {
  fill_mc.clear();
  if (share <= 0) return;
  fill_mc.beginFill(ProgressColor(), 100);
  DrawBox(fill_mc, kInset, (kPreloaderHeight - kTrackHeight) / 2, (kPreloaderWidth - 2 * kInset) * share,
          kTrackHeight);
  fill_mc.endFill();
}

StartPreloader();
