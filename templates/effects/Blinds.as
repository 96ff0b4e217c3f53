// Blinds.swf: black horizontal slats that turn open, each thinning towards its middle line.

#include "effect_core.as"

var kSlats = 8;

function EffectDraw(mc, w, h, share) {
  var band = h / kSlats;
  var slat = band * (1 - Ease(share));
  mc.beginFill(kCoverColor, 100);
  for (var i = 0; i < kSlats; i++) DrawBox(mc, 0, i * band + (band - slat) / 2, w, slat);
  mc.endFill();
}

StartEffect();
