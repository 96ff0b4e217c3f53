// expected: ECMAScript semantics, checked with node
// The Flash 4 word operators (add, and, or, not, eq, ne, lt, le, gt, ge) as member names, keys
// and method names.
var list = {items: [], add: function (x) { this.items.push(x); return this; }}
list.add(1).add(2).add(3)
trace(list.items.join(","))
var ops = {eq: function (a, b) { return a == b; }, lt: function (a, b) { return a < b; }}
trace(ops.eq(2, 2) + " " + ops.lt(3, 1))
ops.and = "both"
ops.or = "either"
trace(ops.and + " " + ops.or)
