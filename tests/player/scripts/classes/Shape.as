// A base class with an instance variable, a static counter and methods that subclasses override.
class Shape {
  static var count:Number = 0;
  var name:String = "shape";

  function Shape(n:String) {
    if (n != undefined) name = n;
    count++;
  }
  function area():Number {
    return 0;
  }
  function describe():String {
    return name + " with area " + area();
  }
  function toString():String {
    return "[Shape " + name + "]";
  }
  static function total():String {
    return count + " shapes";
  }
}
