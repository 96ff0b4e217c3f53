for (var k in o) { if (k eq "a") continue; else break; }
do { i++; } while (i < 3);
switch (x) { case 1: a(); default: b(); }
try { throw new Error("e"); } catch (e:Error) { } finally { }
with (o) tellTarget ("/c") ifFrameLoaded (5) stop();
//# listing
