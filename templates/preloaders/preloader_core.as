// Code every preloader shares, and the protocol between preloader and player.
//
// The preloader is imported into the generated movie as the sprite "preloader_mc" at depth
// 6000 on main frame 2 (external FLVs only), centred on the stage and scaled down only when
// the stage is smaller than the preloader's own frame. So it draws within its frame, from
// (0, 0) to (kPreloaderWidth, kPreloaderHeight), which its build gives with --size.
//
// The protocol. The player publishes once a frame:
//   _global.g_PlayerState    "waiting" (for a click), "loading" (it asked for a clip whose
//                            first picture has not shown yet), "playing", "paused", "ended"
//   _global.g_LoadedShare    0..1, the share of the current FLV that has arrived (the whole
//                            movie's share in the embedded layout)
// The preloader shows while the state is "loading", drawing g_LoadedShare, and hides itself
// (_visible = false) otherwise, so it is gone once the picture plays and back while the next
// clip of a list loads. Before the player publishes anything (a player that does not know the
// protocol) it shows while the movie itself is loading.
// In a preview (_global.g_showPerloader true) the local FLV arrives at once, so the preloader
// demonstrates itself: it sets _global.g_PreloaderBusy = true in its first frame, runs from 0
// to 100 % in about kDemoMs, then sets it false; the player holds auto play while the flag is
// true, for a few seconds at most, so a broken preloader never holds it for good.
// A preloader never takes the mouse: nothing it draws has a button handler.
//
// A preloader #includes this file after setting kPreloaderWidth and kPreloaderHeight, defines
//   PreloaderDraw(share)   draw the progress share (0..1); called only when it changes
// and calls StartPreloader().

#include "timed_run.as"

var kDemoMs = 1500;
var kPanelColor = 0x202020;
var kPanelAlpha = 80;
var kTrackColor = 0x606060;
var kTextColor = 0xFFFFFF;

var preloader_host = this;

// The progress colour: the skin's colour when the movie has one, else a clear blue.
function ProgressColor() {
  var skin = Number(_global.g_SkinColor);
  return isNaN(skin) ? 0x3399FF : skin & 0xFFFFFF;
}

function MovieLoading() {
  var total = _root.getBytesTotal();
  return total > 0 && _root.getBytesLoaded() < total;
}

function Wanted() {
  var state = _global.g_PlayerState;
  if (state == undefined) return MovieLoading();
  return state == "loading";
}

function Share() {
  if (_global.g_PlayerState == undefined) {
    var total = _root.getBytesTotal();
    return total > 0 ? _root.getBytesLoaded() / total : 0;
  }
  var share = Number(_global.g_LoadedShare);
  return isNaN(share) ? 0 : Math.max(0, Math.min(1, share));
}

function StartPreloader() {
  var demo = _global.g_showPerloader == true ? TimedRun(kDemoMs) : null;
  if (demo != null) _global.g_PreloaderBusy = true;
  var shown = -1;
  var Show = function(share) {
    preloader_host._visible = true;
    // Whole percents: nothing to redraw between them.
    share = Math.floor(share * 100) / 100;
    if (share != shown) {
      shown = share;
      PreloaderDraw(share);
    }
  };
  Show(0);
  preloader_host._visible = demo != null || Wanted();
  preloader_host.onEnterFrame = function() {
    if (demo != null) {
      var run = RunShare(demo);
      Show(run);
      if (run >= 1) {
        demo = null;
        _global.g_PreloaderBusy = false;
      }
      return;
    }
    if (Wanted()) Show(Share());
    else preloader_host._visible = false;
  };
}

// A rectangle with rounded corners of radius r.
function DrawRoundBox(mc, x, y, w, h, r) {
  mc.moveTo(x + r, y);
  mc.lineTo(x + w - r, y);
  mc.curveTo(x + w, y, x + w, y + r);
  mc.lineTo(x + w, y + h - r);
  mc.curveTo(x + w, y + h, x + w - r, y + h);
  mc.lineTo(x + r, y + h);
  mc.curveTo(x, y + h, x, y + h - r);
  mc.lineTo(x, y + r);
  mc.curveTo(x, y, x + r, y);
}
