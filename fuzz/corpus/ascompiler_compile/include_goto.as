gotoAndPlay("scene", 3); #include "half.as"
x = 3000000000; y = 2.5;
