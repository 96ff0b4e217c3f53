// expected: ECMAScript semantics, checked with node
// String escapes: \xHH and \uHHHH name the character with that code; the one-letter escapes.
var nbsp = "\xa0";
trace(nbsp.length + " " + nbsp.charCodeAt(0) + " " + (nbsp == String.fromCharCode(160)));
var eacute = "\u00e9";
trace(eacute.length + " " + eacute.charCodeAt(0) + " " + (eacute == String.fromCharCode(233)));
var cafe = "caf\u00e9";
trace(cafe == "caf" + String.fromCharCode(0xe9));
trace("\x41\x42\x43" + " " + "\u0044\u0045" + " " + "\x7a\x7A");
var euro = "\u20ac";
var chinese = "\u4e2d\u6587";
var upper = "\u4E2D";
trace(euro.charCodeAt(0) + " " + chinese.length + " " + upper.charCodeAt(0));
var controls = "\t\n\r\\";
trace(controls.length + " " + controls.charCodeAt(0) + " " + controls.charCodeAt(1) + " " + controls.charCodeAt(2) + " " + controls.charCodeAt(3));
trace("\"quoted\" and \'single\'" + " " + 'it\'s' + " " + '\x22');
var bf = "\b\f";
trace(bf.charCodeAt(0) + " " + bf.charCodeAt(1));
var spaced = "x\xa0y";
var naive = "na\u00efve";
trace(spaced.split("\xa0").join("+") + " " + naive.indexOf("\u00ef"));
trace(cafe); // printed as UTF-8
