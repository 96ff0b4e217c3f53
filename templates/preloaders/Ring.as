// Ring.swf: an arc that grows clockwise from the top round a ring, with the percentage in the
// middle (96 x 96).

var kPreloaderWidth = 96;
var kPreloaderHeight = 96;

#include "preloader_core.as"

var kRadius = 34;
var kThickness = 8;
var kSteps = 72;  // segments of a full turn

var centre_x = kPreloaderWidth / 2;
var centre_y = kPreloaderHeight / 2;

this.createEmptyMovieClip("panel_mc", 1);
this.createEmptyMovieClip("arc_mc", 2);
this.createTextField("percent_txt", 3, 0, centre_y - 11, kPreloaderWidth, 22);
var percent_format = new TextFormat("_sans", 14, kTextColor, true);
percent_format.align = "center";
percent_txt.selectable = false;
percent_txt.setNewTextFormat(percent_format);

function ArcPoint(mc, turn, move) {
  var a = -Math.PI / 2 + turn * 2 * Math.PI;
  var x = centre_x + kRadius * Math.cos(a), y = centre_y + kRadius * Math.sin(a);
  if (move) mc.moveTo(x, y);
  else mc.lineTo(x, y);
}

function DrawArc(mc, share) {
  var steps = Math.ceil(kSteps * share);
  ArcPoint(mc, 0, true);
  for (var i = 1; i <= steps; i++) ArcPoint(mc, share * i / steps, false);
}

panel_mc.beginFill(kPanelColor, kPanelAlpha);
DrawRoundBox(panel_mc, 0, 0, kPreloaderWidth, kPreloaderHeight, kPreloaderWidth / 2);
panel_mc.endFill();
panel_mc.lineStyle(kThickness, kTrackColor, 100);
DrawArc(panel_mc, 1);

function PreloaderDraw(share) {
  arc_mc.clear();
  percent_txt.text = Math.round(share * 100) + "%";
  if (share <= 0) return;
  arc_mc.lineStyle(kThickness, ProgressColor(), 100);
  DrawArc(arc_mc, share);
}

StartPreloader();
