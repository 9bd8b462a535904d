' EngineVersion.vbs - initialises the burning engine and prints its error
' log; on a machine without an engine it prints why nothing works.
Option Explicit
Dim vexo
Set vexo = CreateObject("Vexo.Vexo.1")
On Error Resume Next
vexo.ClearErrors                     ' needs the engine: loads and initialises it
If Err.Number <> 0 Then
    WScript.Echo "Error &H" & Hex(Err.Number) & " from " & Err.Source & ": " & Err.Description
    WScript.Echo "Last error: " & vexo.LastError
    WScript.Quit 1
End If
On Error GoTo 0
WScript.Echo "The engine is ready."
WScript.Echo "Error log: " & vexo.ErrorLog
