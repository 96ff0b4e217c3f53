// String escapes \xHH and \uHHHH name characters; a \x or \u without enough hex digits is the
// letter alone, as every other unknown escape.
// expected: ECMAScript semantics, checked with node (trace = console.log), except the last
// two lines, where ECMAScript refuses the source and ActionScript keeps the letter.
var nbsp = "\xa0";
trace(nbsp.length + " " + nbsp.charCodeAt(0));
var e = "caf\u00e9";
trace(e.length + " " + e.charCodeAt(3));
var euro = '\u20AC';
trace(euro.length + " " + euro.charCodeAt(0));
trace("\x41\x42" + "\u0043");
trace(("a\u00e9\u20acb").toUpperCase().length);
var partial = "\x4g";
trace(partial.length + " " + partial);
trace("\u12");
