// expected: ECMAScript semantics, checked with node
// with: names inside the block are looked up on the object first, then in the enclosing scope;
// assignment writes to the object only where the object already has the member.
var point = {x: 1, y: 2};
var z = "outer z";
with (point) {
  trace(x + y);
  x = 10;
  z = "set from with";
  trace(z);
}
trace(point.x + " " + point.z + " " + z);

// nested with: the inner object is searched first
var outer = {name: "outer", size: 1, colour: "red"};
var inner = {name: "inner", size: 2};
with (outer) {
  with (inner) {
    trace(name + " " + size + " " + colour);
    size = size * 10;
    colour = "blue";
  }
  trace(name + " " + size);
}
trace(inner.size + " " + outer.size + " " + outer.colour + " " + inner.colour);

// with over a built-in object: its methods are called bare
with (Math) {
  trace(max(3, 8) + " " + floor(2.7) + " " + abs(-4) + " " + round(PI * 100));
}

// with in a function: parameters and locals not on the object stay local
function moveBy(target, dx, dy) {
  var steps = 0;
  with (target) {
    x += dx;
    y += dy;
    steps++;
  }
  return steps + " step to " + target.x + "," + target.y;
}
trace(moveBy(point, 5, -2));

// a method called inside with runs with the object as this
var counter = {n: 0, bump: null};
counter.bump = function () { this.n++; return this.n; };
with (counter) {
  bump();
  bump();
  trace(bump() + " " + n);
}

// the object is taken once, when the with begins
var first = {v: "first"};
var second = {v: "second"};
var current = first;
with (current) {
  current = second;
  trace(v);
}
trace(current.v);
