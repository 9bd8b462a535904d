// Events into JScript functions: a drive's burn of an empty file-system
// compilation reports progress and its end.
var vexo = new ActiveXObject("Vexo.Vexo");
var drive = vexo.GetDrives(0).Item(0);
var content = new ActiveXObject("Vexo.VexoFileSystemDescContainer");
var done = false, result = -1, progress = 0;
content.Name2 = "JS";

function Drive_OnProgress(percent, abort) { progress++; }
function Drive_OnDoneBurn(status) { result = status; done = true; }

WScript.ConnectObject(drive, "Drive_");
drive.BurnFileSystemContent(content, 4, 0, 0);
while (!done) WScript.Sleep(20);
WScript.Echo("burn: status " + result + ", progress events " + progress);
WScript.Echo("arguments: " + WScript.Arguments.Count());
WScript.Quit(result);
