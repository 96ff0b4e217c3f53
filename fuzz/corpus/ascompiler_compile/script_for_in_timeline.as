// for (var key in _root) at the top level: the loop creates `key` when it first assigns it,
// so _root's own enumeration does not list it. for (k in o) over an object likewise.
// expected: documented Flash Player behaviour (the player enumerates the names the timeline
// has when the loop starts); the object lines agree with ECMAScript (node).
alpha = 1;
beta = "two";
var listed = [];
for (var key in _root) {
  if (key == "alpha" || key == "beta" || key == "key") listed.push(key);
}
listed.sort();
trace(listed.join(","));
trace(key != undefined);
var o = {p: 1, q: 2};
var seen = [];
for (k in o) seen.push(k + "=" + o[k]);
seen.sort();
trace(seen.join(" "));
function inFunction(obj) {
  var names = [];
  for (var n in obj) names.push(n);
  names.sort();
  return names.join("");
}
trace(inFunction({x: 1, y: 2, z: 3}));
