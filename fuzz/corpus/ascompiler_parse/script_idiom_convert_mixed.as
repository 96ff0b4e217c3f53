// expected: ECMAScript semantics, checked with node
// Mixed types: string comparisons, == between types, + with strings and numbers, int() and
// Math rounding. Lines where ActionScript differs from ECMAScript say so; there the expected
// value is the Flash Player's documented one.
trace(("apple" < "banana") + " " + ("Zebra" < "apple") + " " + ("abc" < "abd") + " " + ("" < "a"));
trace(("10" < "9") + " " + (10 < "9") + " " + ("10" < 9) + " " + ("abc" < "abcd"));
trace(("b" > "a") + " " + ("a" >= "a") + " " + ("B" <= "a"));
trace((1 == "1") + " " + (1 === "1") + " " + ("1.0" == 1) + " " + (" 1" == 1));
trace((true == 1) + " " + (true == "1") + " " + ("true" == true) + " " + (false == 0));
trace((null == undefined) + " " + (null === undefined) + " " + (null == 0) + " " + (undefined == 0));
trace(("abc" == "abc") + " " + ("abc" != "ABC") + " " + (NaN == "NaN"));
var o = new Object();
var same = o;
trace((o == same) + " " + (o == new Object()));
trace(1 + "2" + " " + ("3" + 4 + 5) + " " + (3 + 4 + "5") + " " + ("5" - 2) + " " + ("3" * "4"));
trace("x" + true + null + " " + (true + 1));
trace("value: " + undefined); // "undefined" in movies of version 7 and above (the default 8)
trace(int(3.7) + " " + int(-3.7) + " " + int("12") + " " + int(0.5));
trace(Math.round(2.5) + " " + Math.round(-2.5) + " " + Math.round(2.4999) + " " + Math.round(-2.6));
trace(Math.floor(-1.5) + " " + Math.ceil(-1.5) + " " + Math.floor(1.999) + " " + Math.ceil(1.001));
trace(Math.round(-0.4) + " " + Math.abs(-0) + " " + Math.max(1, "5") + " " + Math.min());
trace(7 % 3 + " " + (-7 % 3) + " " + (7.5 % 2) + " " + (5 % 0));
trace((7 / 2) + " " + Math.floor(7 / 2) + " " + (1 / 3 * 3));
trace((5 & 3) + " " + (5 | 3) + " " + (5 ^ 3) + " " + (~5) + " " + (-16 >> 2) + " " + (-16 >>> 28));
trace(("7" | 0) + " " + (3.9 | 0) + " " + (-3.9 | 0) + " " + (4294967296 | 0) + " " + (2147483648 | 0));
