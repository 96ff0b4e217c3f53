// as compile: --swf-version 6
// expected: the lines of classes.expected (JavaScript classes of the same shape). A version-6
// movie has no Extends or CastOp: the prototype chain is set by script, super() calls the
// prototype's __constructor__ and super.m() looks up the chain.
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
