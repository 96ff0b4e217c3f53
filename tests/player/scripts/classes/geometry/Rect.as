// A class in a package that extends a class of the top level.
class geometry.Rect extends Shape {
  var w:Number;
  var h:Number;

  function Rect(width:Number, height:Number) {
    super("rect");
    w = width;
    h = height;
  }
  function area():Number {
    return w * h;
  }
}
