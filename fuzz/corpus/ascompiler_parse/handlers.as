on (press, release) { gotoAndPlay(2); }
onClipEvent (enterFrame) { _x += 1; }
on (keyPress "<Enter>") { trace("k"); }
