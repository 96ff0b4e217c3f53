// PENDING: the compiler emits the body of a default clause after the bodies of all case
// clauses, whatever its place in the source, so a default that is not the last clause
// does not fall through into the clause after it, and a case before it falls into the wrong
// body. Ruffle traces "default first", "zero twoother ", "other ", "twoother ".
//
// A default clause that is not the last one falls through into the clause after it. The
// expected lines come from running this same file in Node with trace(x) defined as
// console.log(String(x)): JavaScript has the same semantics for every line here.
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
