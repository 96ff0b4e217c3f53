// FadeIn.swf: the picture fades in from black.

#include "effect_core.as"

function EffectDraw(mc, w, h, share) {
  mc.beginFill(kCoverColor, 100 * (1 - share));
  DrawBox(mc, 0, 0, w, h);
  mc.endFill();
}

StartEffect();
