' BurnDataDisc.vbs - burns a folder, with everything below it, as a data
' disc (ISO 9660 with Joliet and Rock Ridge names) and reports the burn.
'
' Run it with:   cscript //nologo BurnDataDisc.vbs FOLDER [VOLUME] [RECORDER] [IMAGE]
'   FOLDER    the folder whose contents become the disc's root
'   VOLUME    the disc's volume name (default: the folder's name)
'   RECORDER  the number of the recorder in the engine's list (default 0)
'   IMAGE     write a disc image to this path instead of a disc (image recorder)
Option Explicit

Dim fso, source, vexo, drives, drive, iso, volume, recorder, connected, done, result, count

Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript BurnDataDisc.vbs FOLDER [VOLUME] [RECORDER] [IMAGE]"
    WScript.Quit 2
End If
Set source = fso.GetFolder(WScript.Arguments(0))
volume = UCase(source.Name)
If WScript.Arguments.Count > 1 Then volume = WScript.Arguments(1)
recorder = 0
If WScript.Arguments.Count > 2 Then recorder = CInt(WScript.Arguments(2))

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)
If drives.Count <= recorder Then
    WScript.Echo "There is no recorder number " & recorder & "."
    WScript.Quit 1
End If
Set drive = drives.Item(recorder)
WScript.Echo "Recorder: " & drive.DeviceName
If WScript.Arguments.Count > 3 Then
    drive.InitImageRecorder WScript.Arguments(3), 0
    WScript.Echo "Writing the image " & WScript.Arguments(3)
End If

' The data track: its root folder is made on first read; folders and files
' are added to it as the source folder holds them.
Set iso = CreateObject("Vexo.VexoIsoTrack")
iso.Name = volume
iso.Publisher = "BurnDataDisc.vbs"
iso.BurnOptions = 1 + 4 + 8                    ' Joliet, Rock Ridge, ISO 9660 file system
count = 0
AddFolder source, iso.RootFolder
WScript.Echo count & " files in volume " & volume

' Copies the contents of a folder of the file system into a folder object.
Sub AddFolder(from, into)
    Dim sub_, file, folder, item
    For Each sub_ In from.SubFolders
        Set folder = CreateObject("Vexo.VexoFolder")
        folder.Name = sub_.Name
        into.Folders.Add folder
        AddFolder sub_, folder
    Next
    For Each file In from.Files
        Set item = CreateObject("Vexo.VexoFile")
        item.Name = file.Name
        item.SourceFilePath = file.Path
        item.EntryTime = file.DateLastModified
        into.Files.Add item
        count = count + 1
    Next
End Sub

On Error Resume Next
WScript.ConnectObject drive, "Drive_"
connected = (Err.Number = 0)
Err.Clear
On Error GoTo 0

' A data disc is an audio-disc burn without audio tracks: write (4), disc
' at once (8), close the session (16).
If Not connected Then
    WScript.Echo "This script host cannot receive events (WScript.ConnectObject): nothing is burnt."
    WScript.Echo "Run it with Windows Script Host (cscript.exe on Windows)."
    WScript.Quit 1
End If
done = False
drive.BurnIsoAudioCD "", volume, False, iso, Nothing, Nothing, 4 + 8 + 16, 0, 0
Do While Not done
    WScript.Sleep 100
Loop
If result = 0 Then
    WScript.Echo "The disc is done."
Else
    WScript.Echo "The burn failed (" & result & "): " & vexo.LastError
    WScript.Quit 1
End If

Sub Drive_OnProgress(percent, abort)
    WScript.Echo "  " & percent & " %"
End Sub

Sub Drive_OnDoneBurn(status)
    result = status
    done = True
End Sub
