class Shape { var name = "s"; function Shape(n) { name = n; } function area() { return 0; } }
class Square extends Shape { var side; function Square(s) { super("sq"); side = s; }
  function area() { return side * side; } function get size() { return side; } function set size(v) { side = v; } }
var q = new Square(3); q.size = 4; trace(q.area());
