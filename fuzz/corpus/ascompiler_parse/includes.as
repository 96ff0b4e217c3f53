#include "self.as"
x = 017 + 0x1F + .5e2 + 1.;
#include "half.as"
/:score = _root/clip:x;