// switch: matching, fall-through, break, default, strings and expressions as labels.
// Expected values: the same code run in node (JavaScript has the same semantics here: the
// default clause is written last, and no label equals the value only loosely, since cases
// are compared with == rather than ===).
function name(n) {
  switch (n) {
    case 1:
      return "one";
    case 2:
      return "two";
    default:
      return "many";
  }
}
trace(name(1) + " " + name(2) + " " + name(7));
function fall(n) {
  var out = "";
  switch (n) {
    case 0:
      out += "a";
    case 1:
      out += "b";
      break;
    case 2:
      out += "c";
    default:
      out += "d";
  }
  return out;
}
trace(fall(0) + " " + fall(1) + " " + fall(2) + " " + fall(3));
function kind(s) {
  switch (s) {
    case "x":
    case "y":
      return "axis";
    case "z" + "":
      return "depth";
  }
  return "none";
}
trace(kind("x") + " " + kind("y") + " " + kind("z") + " " + kind("w"));
var v = 4;
switch (v * 2) {
  case 2 + 2:
    trace("four");
    break;
  case 2 * 4:
    trace("eight");
    break;
}
var nested = "";
for (var i = 0; i < 3; i++) {
  switch (i) {
    case 0:
      switch (i + 1) {
        case 1:
          nested += "inner";
          break;
      }
      nested += "-outer0 ";
      break;
    default:
      nested += "d" + i + " ";
  }
}
trace(nested);
switch (v) {
}
trace("empty switch done");
