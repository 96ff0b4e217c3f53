// The Flash 8 player's global functions, called with the argument counts the player accepts.
// expected: ECMAScript semantics, checked with node (trace = console.log) for the lines up
// to Object(); the lines after it follow the player's documented behaviour (getTimer and
// setInterval give numbers, targetPath gives the clip's dotted path, ASSetPropFlags with bit 1
// hides a member from for..in, fscommand asks the host and gives nothing back). getVersion()
// is left out: Flash Player 8 documents a version string, Ruffle gives undefined.
trace(isNaN("x") + " " + isNaN(3));
trace(isFinite(1 / 0) + " " + isFinite(5));
trace(parseInt("42px") + " " + parseInt("ff", 16));
trace(parseFloat("3.5e1x"));
trace(escape("a b&c") + " " + unescape("%41%20b"));
trace(String() == "");
trace(String(7, 8));
trace(Number());
trace(Number("12", 3));
trace(Boolean(1) + " " + Boolean(""));
trace(Array(1, 2, 3).length + " " + Array(4).length);
var obj = Object();
obj.z = 1;
trace(typeof obj + obj.z);
trace(typeof getTimer());
trace(targetPath(_root));
_root.createEmptyMovieClip("holder", 1);
trace(targetPath(holder));
function tick() {}
var id = setInterval(tick, 1000);
trace(typeof id);
clearInterval(id);
var later = setTimeout(tick, 1000);
trace(typeof later);
clearTimeout(later);
updateAfterEvent();
var hidden = {a: 1, b: 2};
ASSetPropFlags(hidden, "a", 1);
var names = [];
for (var n in hidden) names.push(n);
trace(names.join(","));
var command = "noSuchCommand";
trace(fscommand("noSuchCommand"));
trace(fscommand(command, "x"));
trace(int(3.7) + " " + random(1));
