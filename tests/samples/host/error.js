WScript.Echo("before");
var o = null;
o.missing();
