import a.b.*;
class p.C { static private var n = 0; function C(v) { super(); this.v = v; }
  public function get y():Number { return v; } function set y(v) {} }
interface I { function f(a:Number):Void; }
