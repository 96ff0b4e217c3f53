// Classes from the class path: inheritance over two levels and a package, super calls,
// static members, overridden methods and toString. Expected values worked out by hand (the
// same as for JavaScript classes of the same shape).
import geometry.Rect;
import geometry.Square;

var r = new Rect(2, 3);
trace(r.area());
trace(r.describe());
var s = new Square(4);
trace(s.area());
trace(s.describe());
trace(s.name + " " + r.name);
trace(s instanceof Square);
trace(s instanceof Rect);
trace(s instanceof Shape);
trace(r instanceof Square);
var plain = new Shape();
trace(plain.describe());
trace(String(plain));
trace("" + r);
trace(Shape.count);
trace(Shape.total());
