' Files, folders and the data track from VBScript with the simulated engine
' installed: long names, the entry time, the collections' rules, the roots
' of a track and its options.
Option Explicit
Dim f, x, folder, sub1, lone, track, r1, r2, d, opts

Sub Try(label)
    If Err.Number = 0 Then
        WScript.Echo label & ": ok"
    Else
        WScript.Echo label & ": &H" & Hex(Err.Number)
    End If
    Err.Clear
End Sub

On Error Resume Next
Set f = CreateObject("Vexo.VexoFile")                 : Try "file"
WScript.Echo "fresh entry time this year: " & (Year(f.EntryTime) = Year(Now))
f.Name = String(251, "a")                              : Try "251-byte name"
WScript.Echo "name length: " & Len(f.Name)
f.Name = String(252, "b")                              : Try "252-byte name"
WScript.Echo "name length: " & Len(f.Name)
f.SourceFilePath = "C:\music\" & String(300, "p")      : Try "long source path"
WScript.Echo "source length: " & Len(f.SourceFilePath)
f.EntryTime = DateSerial(2004, 10, 19) + TimeSerial(12, 30, 15) : Try "entry time"
d = f.EntryTime
WScript.Echo "entry time: " & Year(d) & "-" & Month(d) & "-" & Day(d) & " " & Hour(d) & ":" & Minute(d) & ":" & Second(d)
f.EntryTime = "not a date"                             : Try "entry time text"

Set folder = CreateObject("Vexo.VexoFolder")
folder.Name = "root"
folder.Files.Add f                                     : Try "add file"
folder.Files.Add f                                     : Try "add file again"
Set sub1 = CreateObject("Vexo.VexoFolder")
sub1.Name = "sub"
folder.Folders.Add sub1                                : Try "add folder"
sub1.Folders.Add folder                                : Try "add its ancestor"
Set lone = CreateObject("Vexo.VexoFolder")
lone.Folders.Add lone                                  : Try "add itself"
folder.Folders.Add Nothing                             : Try "add Nothing"
WScript.Echo "counts: " & folder.Folders.Count & " folder, " & folder.Files.Count & " file"
For Each x In folder.Folders
    WScript.Echo "folder: " & x.Name
Next
folder.Files.Remove 1                                  : Try "remove past the end"
folder.Files.Remove 0                                  : Try "remove"
sub1.Files.Add f                                       : Try "add to another folder"

Set track = CreateObject("Vexo.VexoIsoTrack")          : Try "track"
WScript.Echo "unset name: [" & track.Name & "]"
Set r1 = track.RootFolder
Set r2 = track.RootFolder
WScript.Echo "same root twice: " & (r1 Is r2)
Set r1 = track.RootFolderWrapper
WScript.Echo "wrapper is another folder: " & CStr(Not (r1 Is r2))
Set track.RootFolder = folder                          : Try "set root"
WScript.Echo "root: " & track.RootFolder.Name
Set track.RootFolder = Nothing                         : Try "set root Nothing"
track.Name = "DATA"
track.Publisher = "Pub"
track.BurnOptions = 9
WScript.Echo "texts: " & track.Name & " " & track.Publisher & " [" & track.Abstract & "] options " & track.BurnOptions

Set opts = CreateObject("Vexo.VexoFileSystemTrackOptions") : Try "options"
opts.MediaType = 1                                     : Try "media type"
opts.BurnFlags = 4                                     : Try "burn flags"
Set opts.CDStamp = Nothing                             : Try "no stamp"
Set opts.FileSystemDescContainer = Nothing             : Try "no container"
