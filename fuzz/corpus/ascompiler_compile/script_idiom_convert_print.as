// expected: ECMAScript semantics, checked with node
// Numbers to strings at the edges: NaN, the infinities, negative zero, big and small numbers and
// toString with a radix. Lines where ActionScript differs from ECMAScript say so; there the
// expected value is the Flash Player's documented one.
trace(0 / 0);
trace(1 / 0 + " " + -1 / 0);
trace(isNaN(NaN) + " " + (NaN == 0) + " " + (NaN != 1) + " " + (Infinity > 1e308));
trace(Number.MAX_VALUE * 2 + " " + (-Number.MAX_VALUE * 2));
// negative zero made by multiplying (the compiler writes a unary minus as a subtraction from 0)
var negZero = 0 * -1;
trace(negZero + " " + (negZero == 0) + " " + (1 / negZero));
trace(String(-0) + " " + (0 * -1));
trace(String(1e21) + " " + String(1e-7) + " " + String(-1e21));
trace(100 + " " + 2.5 + " " + -7 + " " + 1.0 + " " + 1e3);
trace(123456789 + " " + 4294967295 + " " + 0.125 + " " + 0.001);
trace(String(1.5e300) + " " + String(2e-300));
// ActionScript prints at most 15 significant digits, in exponent form from 1e15 up and below
// 1e-5 (JavaScript: 0.30000000000000004, 0.3333333333333333, 123456789012345680,
// 1000000000000000, 0.000001)
trace(0.1 + 0.2); // ActionScript: 0.3
trace(1 / 3); // ActionScript: 0.333333333333333
trace(123456789012345678); // ActionScript: 1.23456789012346e+17
trace(1e15 + " " + 999999999999999); // ActionScript: 1e+15 999999999999999
trace(0.00001 + " " + 0.000001); // ActionScript: 0.00001 1e-6
trace((255).toString(16) + " " + (255).toString(2) + " " + (35).toString(36) + " " + (8).toString(8));
trace((-255).toString(16) + " " + (0).toString(2) + " " + (10).toString(10));
var n = 3;
trace(n.toString() + "|" + String(n) + "|" + (n + ""));
trace(String(true) + " " + String(null) + " " + String(undefined));
