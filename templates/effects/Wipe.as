// Wipe.swf: a black cover slides away to the right, uncovering the picture from the left.

#include "effect_core.as"

function EffectDraw(mc, w, h, share) {
  var x = Ease(share) * w;
  mc.beginFill(kCoverColor, 100);
  DrawBox(mc, x, 0, w - x, h);
  mc.endFill();
}

StartEffect();
