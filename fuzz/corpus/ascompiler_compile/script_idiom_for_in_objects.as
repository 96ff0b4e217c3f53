// expected: ECMAScript semantics, checked with node
// (ASSetPropFlags has no ECMAScript counterpart: its documented effect, bit 1 hides a member
// from for..in, was checked by making the member not enumerable.) for..in visits members in
// an order the language leaves open, so each loop gathers the names and sorts them.
function names(o) {
  var list = [];
  for (var k in o) list.push(k);
  list.sort();
  return list.join(",");
}
var o = {b: 2, a: 1, c: 3};
trace(names(o));
o.d = 4;
delete o.b;
trace(names(o));

// a member holding undefined or null still exists and is listed
o.e = undefined;
o.f = null;
trace(names(o));

// inherited members are listed too; an own member that hides one is listed once
function Base() { this.own = 1; }
Base.prototype.shared = "p";
Base.prototype.method = function () { return 0; };
var b = new Base();
b.extra = true;
trace(names(b));
b.shared = "mine";
trace(names(b));
delete b.shared;
trace(b.shared);

// telling own members from inherited ones
var own = [];
for (var k2 in b) {
  if (b.hasOwnProperty(k2)) own.push(k2);
}
own.sort();
trace(own.join(","));

// ASSetPropFlags bit 1 hides members from for..in; the members stay readable
var config = {visible: 1, secret: 2, hidden: 3, other: 4};
ASSetPropFlags(config, "secret", 1);
trace(names(config));
ASSetPropFlags(config, ["hidden", "other"], 1);
trace(names(config));
trace(config.secret + config.hidden + config.other);
ASSetPropFlags(config, "secret,other", 0, 1);
trace(names(config));

// the classic fix for a helper added to Object.prototype showing up in every loop
Object.prototype.describe = function () { return "described"; };
var plain = {x: 1};
trace(names(plain));
ASSetPropFlags(Object.prototype, "describe", 1);
trace(names(plain));
trace(plain.describe());
delete Object.prototype.describe;

// arrays: the indices, and members set by name
var arr = ["p", "q"];
arr.label = "named";
trace(names(arr));
trace("[" + names([]) + "]");

// the loop variable keeps the last name after the loop; the object's values by name
var sum = 0;
var last;
var scores = {ann: 3, bob: 4, cy: 5};
for (last in scores) sum += scores[last];
trace(sum + " " + (scores[last] != undefined));
