// Percent.swf: the share loaded as a number ("42%") on a dark panel (120 x 48).

var kPreloaderWidth = 120;
var kPreloaderHeight = 48;

#include "preloader_core.as"

this.createEmptyMovieClip("panel_mc", 1);
this.createTextField("percent_txt", 2, 0, 8, kPreloaderWidth, 32);
var percent_format = new TextFormat("_sans", 22, kTextColor, true);
percent_format.align = "center";
percent_txt.selectable = false;
percent_txt.setNewTextFormat(percent_format);
panel_mc.beginFill(kPanelColor, kPanelAlpha);
DrawRoundBox(panel_mc, 0, 0, kPreloaderWidth, kPreloaderHeight, 8);
panel_mc.endFill();
// A thin line under the number grows with it.
this.createEmptyMovieClip("line_mc", 3);

function PreloaderDraw(share) {
  percent_txt.text = Math.round(share * 100) + "%";
  line_mc.clear();
  if (share <= 0) return;
  line_mc.beginFill(ProgressColor(), 100);
  DrawBox(line_mc, 8, kPreloaderHeight - 6, (kPreloaderWidth - 16) * share, 3);
  line_mc.endFill();
}

StartPreloader();
