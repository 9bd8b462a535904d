' ImportDataTrack.vbs - reads the file system of a data track on the disc in
' a drive and lists its folders and files. The folder objects it gets are the
' same a data disc is built from, so a script can add to them and burn the
' result as the next session.
'
' Run it with:   cscript //nologo ImportDataTrack.vbs [DRIVE] [TRACK]
'   DRIVE  the number of the drive in the engine's list (default 0)
'   TRACK  the number of the data track on the disc (default 1)
Option Explicit

Dim vexo, drives, drive, driveNo, trackNo, done, ok, root, volume, outcome, files, folders

driveNo = 0
trackNo = 1
If WScript.Arguments.Count > 0 Then driveNo = CInt(WScript.Arguments(0))
If WScript.Arguments.Count > 1 Then trackNo = CInt(WScript.Arguments(1))

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)
If driveNo >= drives.Count Then
    WScript.Echo "There is no drive number " & driveNo & "."
    WScript.Quit 2
End If
Set drive = drives.Item(driveNo)
WScript.Echo "Drive: " & drive.DeviceName & ", track " & trackNo

' The import runs in the background and ends with OnDoneImport2.
WScript.ConnectObject drive, "Drive_"
done = False
drive.ImportIsoTrack trackNo, 4                 ' 4: Rock Ridge names where the disc has them
Do While Not done
    WScript.Sleep 100
Loop

If Not ok Then
    Select Case outcome
        Case 2: WScript.Echo "The drive has no readable disc."
        Case 3: WScript.Echo "A sector could not be read."
        Case 4: WScript.Echo "Track " & trackNo & " holds no ISO 9660 file system."
        Case 5: WScript.Echo "The disc has no track " & trackNo & "."
        Case Else: WScript.Echo "The import failed (" & outcome & ")."
    End Select
    WScript.Echo "The engine says: " & vexo.LastError
    WScript.Quit 1
End If

WScript.Echo "Volume: " & volume
files = 0
folders = 0
List root, "  "
WScript.Echo folders & " folder(s), " & files & " file(s)"

' Prints a folder's subfolders (with what they hold) and then its files.
Sub List(folder, indent)
    Dim sub_, file
    For Each sub_ In folder.Folders
        WScript.Echo indent & sub_.Name & "\"
        folders = folders + 1
        List sub_, indent & "  "
    Next
    For Each file In folder.Files
        WScript.Echo indent & file.Name
        files = files + 1
    Next
End Sub

Sub Drive_OnDoneImport2(success, folder, stamp, info, result)
    ok = success
    outcome = result
    If success Then
        Set root = folder
        volume = info.VolumeName
    End If
    done = True
End Sub
