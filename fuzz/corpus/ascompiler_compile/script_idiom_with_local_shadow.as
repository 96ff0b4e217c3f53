// expected: ECMAScript semantics, checked with node
// with inside a function: a member of the object wins over a local variable or parameter of the
// same name, for reading and for writing; a name the object lacks stays local.
function pick(o) {
  var label = "local";
  with (o) {
    return label;
  }
}
trace(pick({label: "member"}) + " " + pick({other: 1}));
function paramShadow(size, box) {
  with (box) {
    return size;
  }
}
trace(paramShadow("param", {size: "member"}) + " " + paramShadow("param", {}));
function write(o) {
  var n = 1;
  with (o) {
    n = 99;
  }
  return n + " " + o.n;
}
trace(write({n: 0}) + " | " + write({}));
function loop(o) {
  var i = 0;
  var steps = 0;
  with (o) {
    while (i < 3) {
      i++;
      steps++;
    }
  }
  return steps + " " + i + " " + o.i;
}
trace(loop({i: 0}) + " | " + loop({}));
