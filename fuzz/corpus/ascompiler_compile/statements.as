var s = 0;
for (var i = 0; i < 10; i++) { if (i == 3) continue; if (i == 8) break; s += i; }
switch (s) { case 1: trace("one"); break; default: trace("other"); case 2: trace("two"); }
do { s--; } while (s > 0);
for (var k in _root) { trace(k); }
try { throw new Error("x"); } catch (e) { trace(e); } finally { trace("f"); }
with (_root) { trace(_x); }
tellTarget ("/clip") { stop(); }
ifFrameLoaded (2) { gotoAndStop(2); }
