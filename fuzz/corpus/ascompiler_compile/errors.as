a = 1
f(a b)
if (c) {
 g = ;
}
x = [1, 2
