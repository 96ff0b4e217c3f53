// expected: documented Flash Player behaviour (clips do not exist in ECMAScript): a for..in
// over the main timeline lists its clips and variables; the loop variable comes into being
// when the loop first assigns it, so it is not among the names listed.
this.createEmptyMovieClip("child", 1);
var score = 3;
var seen = [];
for (var key in _root) {
  if (key.charAt(0) != "$") seen.push(key);
}
seen.sort();
trace(seen.join(","));
trace(key != undefined);
function inside() {
  var found = [];
  for (var name in _root.child) found.push(name);
  return found.length;
}
trace(inside());
var names2 = [];
for (other in _root) {
  if (other.charAt(0) != "$") names2.push(other);
}
names2.sort();
trace(names2.join(","));
