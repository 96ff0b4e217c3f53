// expected: documented Flash Player behaviour (XML and Date of the Flash Player; the XML
// node members as documented): new X(args) binds first, then member access and calls apply
// to the new object.
trace(new XML("<a/>").firstChild.nodeName);
trace(new XML("<list><item>one</item><item>two</item></list>").firstChild.childNodes.length);
trace(new XML("<list><item>one</item></list>").firstChild.firstChild.firstChild.nodeValue);
trace(new XML("<a x=\"1\"/>").firstChild.attributes.x);
trace(new XML("<a><b/></a>").toString());
trace(new Date(2000, 0, 31).getDate() + " " + new Date(2000, 11, 1).getMonth());
trace(new Array("p", "q").join("+") + " " + new String("abc").length);
var doc = new XML("<a/>");
trace(doc.firstChild.nodeName);
