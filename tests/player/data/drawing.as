// A movie drawn by script: filled and outlined shapes in a few colours, so that a screenshot
// shows whether the copy draws the same. The trace lines show that the script ran.
var clip = _root.createEmptyMovieClip("art", 1);
clip.beginFill(0x3366CC, 100);
clip.moveTo(10, 10);
clip.lineTo(150, 10);
clip.lineTo(150, 110);
clip.lineTo(10, 110);
clip.lineTo(10, 10);
clip.endFill();
clip.lineStyle(4, 0xFF9900, 100);
clip.beginFill(0xFFFFFF, 50);
clip.moveTo(40, 30);
clip.curveTo(80, 0, 120, 30);
clip.lineTo(80, 100);
clip.lineTo(40, 30);
clip.endFill();
var total = 0;
for (var i = 1; i <= 10; i++) {
  total += i;
}
trace("sum " + total);
trace("width " + clip._width);
