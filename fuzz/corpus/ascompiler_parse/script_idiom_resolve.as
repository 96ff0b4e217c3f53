// expected: documented Flash Player behaviour (__resolve has no ECMAScript counterpart: reading
// a member the object and its prototypes lack calls __resolve with the name, and its result is
// the value; a method call on such a name calls the function __resolve returns)
var asked = [];
var settings = new Object();
settings.width = 320;
var fallback = function (name) {
  asked.push(name);
  return "default " + name;
};
settings.__resolve = fallback;
trace(settings.width);
trace(settings.height);
trace(settings["colour"]);
var key = "depth";
trace(settings[key]);
trace(asked.join(","));

// a member that exists, even with the value undefined or null, is not resolved
settings.empty = undefined;
settings.nothing = null;
trace(settings.empty + " " + settings.nothing);
trace(asked.length);

// members found on the prototype chain are not resolved either
function Base() { }
Base.prototype.shared = "from prototype";
var child = new Base();
child.__resolve = fallback;
trace(child.shared);
trace(child.own);

// a method call on a missing name calls what __resolve returns, with `this` the object
var proxy = new Object();
proxy.calls = 0;
var makeMethod = function (name) {
  var method = function (a, b) {
    this.calls++;
    return name + "(" + a + ", " + b + ") call " + this.calls;
  };
  return method;
};
proxy.__resolve = makeMethod;
trace(proxy.insert(1, 2));
trace(proxy.remove("x", "y"));
trace(proxy.calls);

// deleting __resolve ends the fallback
delete settings.__resolve;
trace(settings.height);
