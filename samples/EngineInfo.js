// EngineInfo.js - prints which engine texts and options the burning engine
// reports, and shows how server errors reach a JScript client.
//
// Run it with:   cscript //nologo EngineInfo.js
var vexo = new ActiveXObject("Vexo.Vexo");

// LastError does not start the engine: before the first real call it says
// that the engine library is not loaded yet.
WScript.Echo("Before use: " + vexo.LastError);

// The language file may be set only until the engine is initialised.
vexo.LanguageFile = "vexo.txt";

try {
    // The first call that needs the engine loads and initialises it.
    var drives = vexo.GetDrives(0);
    WScript.Echo("Recorders: " + drives.Count);
    WScript.Echo("Engine's last error: " + vexo.LastError);
    WScript.Echo("Name of media type 1: " + vexo.TypeNameOfMedia(1));
} catch (e) {
    // e.number is the HRESULT (0x80040000 + message id), e.description the text.
    WScript.Echo("The engine is not available: " + e.description);
}

try {
    vexo.LanguageFile = "too-late.txt";
} catch (e) {
    WScript.Echo("Changing the language file now: " + e.description);
}
