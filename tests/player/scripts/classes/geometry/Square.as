// Two levels of inheritance; no explicit super() call, so the superclass constructor is called
// without arguments; a method that calls the overridden one.
import geometry.Rect;

class geometry.Square extends Rect {
  function Square(side:Number) {
    w = side;
    h = side;
    name = "square";
  }
  function describe():String {
    return "a " + super.describe();
  }
}
