onClipEvent (load) { var n = 0; }
onClipEvent (enterFrame) { n++; if (n > 10) { _x += 1; } }
onClipEvent (keyDown, mouseUp) { trace(Key.getCode()); }
on (keyPress "a") { stop(); }
