' ConnectObject on what has no events, or on nothing: a run-time error the
' script can catch.
Option Explicit
Dim sector
Set sector = CreateObject("Vexo.VexoFSSecNo")
On Error Resume Next
WScript.ConnectObject sector, "Sector_"
WScript.Echo "object without events: " & Err.Description
Err.Clear
WScript.ConnectObject Nothing, "None_"
WScript.Echo "nothing: " & Err.Description
Err.Clear
WScript.CreateObject "No.Such.Class"
WScript.Echo "unknown class: " & Err.Description
