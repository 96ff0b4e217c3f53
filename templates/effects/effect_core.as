// Code every opening effect shares.
//
// The effect is imported into the generated movie as the sprite "effect_mc" at depth 5000 on
// main frame 2, above "player_mc" (4000), placed at (0, 0) without scaling. It covers the
// whole stage (Stage.width x Stage.height, control bar included), runs once for about
// kEffectMs when the movie starts, then hides itself for good and stops its onEnterFrame.
// It never takes the mouse: nothing it draws has a button handler, so clicks reach the player
// below while it runs.
//
// An effect #includes this file and defines
//   EffectDraw(mc, w, h, share)   draw the cover into the empty clip mc (cleared before each
//                                 call) over a w x h stage; share runs from 0 (the start: the
//                                 picture hidden) to 1 (the end: nothing drawn)
// then calls StartEffect(). Build it with `flarecast-cli flash template NAME.as -o NAME.swf
// -I templates/effects -I templates/shared` (templates/CMakeLists.txt does) and give it a
// picture (templates/make-pictures.sh makes NAME.jpg).

#include "timed_run.as"

var kEffectMs = 1200;
var kCoverColor = 0x000000;

var effect_host = this;

function StartEffect() {
  var run = TimedRun(kEffectMs);
  effect_host.createEmptyMovieClip("cover_mc", 1);
  // The first frame already shows the start, before the first onEnterFrame.
  EffectDraw(effect_host.cover_mc, Stage.width, Stage.height, 0);
  effect_host.onEnterFrame = function() {
    var share = RunShare(run);
    var cover = effect_host.cover_mc;
    cover.clear();
    if (share >= 1) {
      cover.removeMovieClip();
      effect_host._visible = false;
      delete effect_host.onEnterFrame;
      return;
    }
    EffectDraw(cover, Stage.width, Stage.height, share);
  };
}
