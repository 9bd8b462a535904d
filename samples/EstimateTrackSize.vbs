' EstimateTrackSize.vbs - tells how much room a folder takes on a data disc
' before anything is burnt: the file system's own blocks, the files' blocks
' and the whole track, in 2048-byte blocks.
'
' Run it with:   cscript //nologo EstimateTrackSize.vbs FOLDER [RECORDER]
'   FOLDER    the folder whose contents would become the disc's root
'   RECORDER  the number of the recorder in the engine's list (default 0)
Option Explicit

Dim fso, source, vexo, drives, drive, recorder, iso, options, done, ok, blocks
Dim overhead, data, whole

Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript EstimateTrackSize.vbs FOLDER [RECORDER]"
    WScript.Quit 2
End If
Set source = fso.GetFolder(WScript.Arguments(0))
recorder = 0
If WScript.Arguments.Count > 1 Then recorder = CInt(WScript.Arguments(1))

Set vexo = CreateObject("Vexo.Vexo")
Set drives = vexo.GetDrives(0)
If drives.Count <= recorder Then
    WScript.Echo "There is no recorder number " & recorder & "."
    WScript.Quit 1
End If
Set drive = drives.Item(recorder)

' The data track as BurnDataDisc.vbs builds it: the same options give the
' same size.
Set iso = CreateObject("Vexo.VexoIsoTrack")
iso.Name = UCase(source.Name)
iso.BurnOptions = 1 + 4 + 8                     ' Joliet, Rock Ridge, ISO 9660
AddFolder source, iso.RootFolder

Sub AddFolder(from, into)
    Dim sub_, f, folder, item
    For Each sub_ In from.SubFolders
        Set folder = CreateObject("Vexo.VexoFolder")
        folder.Name = sub_.Name
        into.Folders.Add folder
        AddFolder sub_, folder
    Next
    For Each f In from.Files
        Set item = CreateObject("Vexo.VexoFile")
        item.Name = f.Name
        item.SourceFilePath = f.Path
        into.Files.Add item
    Next
End Sub

' What the disc will be: any medium (0), written disc at once (8).
Set options = CreateObject("Vexo.VexoFileSystemTrackOptions")
options.MediaType = 0
options.BurnFlags = 4 + 8

WScript.ConnectObject drive, "Drive_"
overhead = Estimate(1)                          ' VETS_FILESYSTEM_OVERHEAD
data = Estimate(2)                              ' VETS_DATA
whole = Estimate(4)                             ' VETS_EXACT_SIZE
WScript.Echo "Folder:      " & source.Path
WScript.Echo "File system: " & overhead & " blocks"
WScript.Echo "Files:       " & data & " blocks"
WScript.Echo "Whole track: " & whole & " blocks (" & FormatNumber(whole * 2048 / 1048576, 2) & " MB)"

' Each estimate runs in the background and ends with OnDoneEstimateTrackSize.
Function Estimate(flags)
    done = False
    drive.EstimateTrackSize iso, flags, options
    Do While Not done
        WScript.Sleep 50
    Loop
    If Not ok Then
        WScript.Echo "The size cannot be estimated: " & vexo.LastError
        WScript.Quit 1
    End If
    Estimate = blocks
End Function

Sub Drive_OnDoneEstimateTrackSize(success, count)
    ok = success
    blocks = count
    done = True
End Sub
