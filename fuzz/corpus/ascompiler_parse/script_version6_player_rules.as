// as compile: --swf-version 6
// expected: documented Flash Player behaviour for version-6 movies: names are
// case-insensitive, and undefined converts to "" and 0 (from version 7: see
// version7_player_rules). Nothing is generated for this; the player decides.
var Total = 5;
trace(total + 1);
var o = new Object();
o.Size = 2;
trace(o.size * 10);
function Twice(n) { return n * 2; }
trace(twice(4));
var u;
trace("[" + u + "]");
trace(u + 1);
trace(Number(u));
trace("[" + String(u) + "]");
trace(u == undefined);
