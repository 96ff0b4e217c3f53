// A default clause that is not the last one: this compiler places the default body after
// every case body, wherever the clause stands in the source, so control falls from the last
// case into the default and never from the default into the case written after it.
// JavaScript differs here, so the expected lines are worked out by hand from that rule:
// switch (5) runs only the default; kind(0) runs "zero ", then "two", then the default.
switch (5) {
  default: trace("default first");
  case 1: trace("then one");
}
function kind(n) {
  var out = "";
  switch (n) {
    case 0: out += "zero ";
    default: out += "other ";
    case 2: out += "two";
  }
  return out;
}
trace(kind(0));
trace(kind(1));
trace(kind(2));
