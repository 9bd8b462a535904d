// The engine object from JScript on a machine without an engine.
var vexo = new ActiveXObject("Vexo.Vexo");
WScript.Echo("last error: " + vexo.LastError);
function hex(n) { return (n < 0 ? n + 0x100000000 : n).toString(16).toUpperCase(); }
try {
    vexo.GetDrives(0);
    WScript.Echo("GetDrives succeeded");
} catch (err) {
    WScript.Echo("GetDrives: " + hex(err.number));
    WScript.Echo("description: " + err.description);
}
