' The engine object from VBScript on a machine without an engine.
Option Explicit
Dim vexo, drives
Set vexo = CreateObject("Vexo.Vexo")
WScript.Echo "last error: " & vexo.LastError
On Error Resume Next
Set drives = vexo.GetDrives(0)
WScript.Echo "GetDrives: &H" & Hex(Err.Number)
WScript.Echo "description: " & Err.Description
WScript.Echo "source: " & Err.Source
Err.Clear
vexo.ClearErrors
WScript.Echo "ClearErrors: &H" & Hex(Err.Number)
Err.Clear
vexo.LanguageFile = "english.txt"
WScript.Echo "LanguageFile before init: " & Err.Number & " " & vexo.LanguageFile
