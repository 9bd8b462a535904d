' Burns FOLDER as a data disc into the image IMAGE with the installed
' VexoCOM and engine, as a user's script would, and says how it went:
'   cscript //nologo data_disc.vbs FOLDER IMAGE [CLOSER]
' This script host cannot sink events (no WScript.ConnectObject) nor sleep
' (no WScript.Sleep): while the burn runs the script shows a message box,
' whose message loop lets the burn's calls into this thread through, until
' the user closes it. CLOSER, a program started with the image's path and
' the box's caption, closes it when the image is there.
Option Explicit
Dim fso, shell, vexo, drives, drive, iso, source, image, count

Set fso = CreateObject("Scripting.FileSystemObject")
Set shell = CreateObject("WScript.Shell")
Set source = fso.GetFolder(WScript.Arguments(0))
image = WScript.Arguments(1)

Set vexo = CreateObject("Vexo.Vexo")
vexo.ClearErrors                  ' loads and initialises the engine
WScript.Echo "engine ready"
Set drives = vexo.GetDrives(0)
WScript.Echo "recorders: " & drives.Count
Set drive = drives.Item(0)
WScript.Echo "recorder: " & drive.DeviceName
drive.InitImageRecorder image, 0

Set iso = CreateObject("Vexo.VexoIsoTrack")
iso.Name = "DELIVERY"
iso.BurnOptions = 1 + 4 + 8
count = 0
AddFolder source, iso.RootFolder
WScript.Echo count & " files"

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
        into.Files.Add item
        count = count + 1
    Next
End Sub

drive.BurnIsoAudioCD "", "DELIVERY", False, iso, Nothing, Nothing, 4 + 8 + 16, 0, 0
If WScript.Arguments.Count > 2 Then
    shell.Run """" & WScript.Arguments(2) & """ """ & image & """ ""Burning a data disc""", 0, False
End If
MsgBox "Writing " & image & ". Close this box when the image is there.", 0, "Burning a data disc"
If fso.FileExists(image) Then
    WScript.Echo "image written: " & fso.GetFile(image).Size & " bytes"
Else
    WScript.Echo "no image: " & vexo.LastError
End If
