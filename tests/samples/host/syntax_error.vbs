WScript.Echo "never"
If Then
