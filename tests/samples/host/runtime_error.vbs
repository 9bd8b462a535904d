' A run-time error on line 4: reported with its place, exit code 1.
Dim x
WScript.Echo "before"
x = 1 / 0
WScript.Echo "after"
