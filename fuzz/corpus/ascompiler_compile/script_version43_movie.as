// as compile: --swf-version 43
// expected: ECMAScript semantics, checked with node (trace = console.log of String(x)).
// Later authoring tools stamp versions up to the 40s on movies that keep ActionScript 1 and
// 2: the movie is written without the ActionScript 3 flag and plays as the version-7 code.
function area(w, h) {
  var a = w * h;
  return a;
}
trace(area(6, 7));
try {
  throw "oops";
} catch (e) {
  trace("caught " + e);
} finally {
  trace("finally");
}
var u;
trace("[" + u + "]");
trace(typeof area);
