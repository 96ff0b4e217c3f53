// expected: ECMAScript semantics, checked with node
// Strings to numbers at the edges: parseInt and parseFloat with bases and trailing junk, and
// Number() on odd strings. Lines where ActionScript differs from ECMAScript say so; there the
// expected value is the Flash Player's documented one.
trace(parseInt("42") + " " + parseInt("  42abc") + " " + parseInt("-17.9") + " " + parseInt("+8"));
trace(parseInt("abc") + " " + parseInt("") + " " + isNaN(parseInt("x1")));
trace(parseInt("ff", 16) + " " + parseInt("FF", 16) + " " + parseInt("0x1F") + " " + parseInt("0x1F", 16));
trace(parseInt("101", 2) + " " + parseInt("777", 8) + " " + parseInt("z", 36) + " " + parseInt("19", 8));
trace(parseInt("12", 10) + " " + parseInt("2", 2));
trace(parseInt("012")); // ActionScript: a leading 0 means octal, 10 (JavaScript: 12)
trace(parseFloat("3.14abc") + " " + parseFloat(".5") + " " + parseFloat("-2.5e2x") + " " + parseFloat("  7"));
trace(parseFloat("x1") + " " + parseFloat("-.25") + " " + parseFloat("1e-2") + " " + parseFloat("12,5"));
trace(Number("42") + " " + Number("-3.5") + " " + Number("1e3") + " " + Number("0x1F"));
trace(Number("12px") + " " + Number("abc") + " " + Number(true) + " " + Number(false));
trace(Number(undefined));
trace(Number("") + " " + isNaN(Number(""))); // ActionScript: the empty string is NaN (JavaScript: 0)
trace(Number(" 12") + " " + Number("\t7"));
trace(Number(" 12 ") + " " + Number("12 ")); // ActionScript: white space after the number makes it NaN (JavaScript: 12 12)
trace(isNaN("abc") + " " + isNaN("12") + " " + isFinite("1e400") + " " + isFinite(12));
var s = "8";
trace(s * 2 + " " + (s - 1) + " " + (-s) + " " + (s / "4"));
