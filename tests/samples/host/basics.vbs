' The WScript object without events: Echo of every kind of value, the
' arguments, the script's names, StdOut, and Quit with a code from under
' On Error Resume Next (nothing after it may run).
Dim a, i
WScript.Echo "text", 42, 2.5, True, False, Empty, Null, "end"
WScript.Echo
WScript.Echo "arguments: " & WScript.Arguments.Count & " (" & WScript.Arguments.Length & ")"
For i = 0 To WScript.Arguments.Count - 1
    WScript.Echo "  " & i & ": [" & WScript.Arguments(i) & "]"
Next
For Each a In WScript.Arguments
    WScript.Echo "  each: [" & a & "]"
Next
WScript.Echo "name: " & WScript.ScriptName
WScript.Echo "full name ends with it: " & (Right(WScript.ScriptFullName, Len(WScript.ScriptName) + 1) = "\" & WScript.ScriptName)
WScript.StdOut.WriteLine "through StdOut"
WScript.StdOut.Write "no line end, "
WScript.StdOut.WriteLine "then one"
On Error Resume Next
a = WScript.Arguments(99)
WScript.Echo "argument 99: " & Err.Description
Err.Clear
WScript.Sleep 10
WScript.Quit 3
WScript.Echo "after Quit"
