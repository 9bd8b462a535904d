// The engine object from JScript with the simulated engine installed.
var vexo = new ActiveXObject("Vexo.Vexo.1");
var drives = vexo.GetDrives(0);
WScript.Echo("drives: " + drives.Count);
for (var i = 0; i < drives.Count; i++)
    WScript.Echo("  " + drives.Item(i).DeviceName + " [" + drives.Item(i).DriveLetter + "]");
function hex(n) { return (n < 0 ? n + 0x100000000 : n).toString(16).toUpperCase(); }
try {
    drives.Item(-1);
    WScript.Echo("Item(-1) succeeded");
} catch (err) {
    WScript.Echo("Item(-1): " + hex(err.number));
}
try {
    vexo.OverburnSize = 10;
    WScript.Echo("late OverburnSize succeeded");
} catch (err) {
    WScript.Echo("late OverburnSize: " + hex(err.number) + " " + err.description);
}
WScript.Echo("type name of media 1: " + vexo.TypeNameOfMedia(1));
