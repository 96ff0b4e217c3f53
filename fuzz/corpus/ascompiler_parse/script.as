var x:Number = 3;
function f(a, b) { return a + b * 2; }
x = f(1, 2) > 3 ? "yes" : 'no';
