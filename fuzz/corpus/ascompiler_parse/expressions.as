x = [1, {a: 1, b: [2]}, function () {}];
y = eval("v" + i)[k].m(1, , 2);
z = new a.b.C(1), w = typeof void delete p;