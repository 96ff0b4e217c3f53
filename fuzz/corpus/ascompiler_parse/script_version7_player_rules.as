// as compile: --swf-version 7
// expected: documented Flash Player behaviour for version-7 movies: names are
// case-sensitive, and undefined converts to "undefined" and NaN (before version 7: see
// version6_player_rules). Nothing is generated for this; the player decides.
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
