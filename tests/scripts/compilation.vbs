' What a burn is made of, built from a script: every creatable compilation
' class, the collection limits and rules, the validated properties, long
' names and the file and folder tree.
Option Explicit
Dim vexo, tracks, other, t, first, i, n, s, item, items, f, folder, iso, root, opts, video

Sub Report(label)
    If Err.Number = 0 Then
        WScript.Echo label & ": ok"
    Else
        WScript.Echo label & ": &H" & Hex(Err.Number) & " " & Err.Description
    End If
    Err.Clear
End Sub

' The engine is loaded by the engine object; files and folders need it for
' their engine items.
Set vexo = CreateObject("Vexo.Vexo")

On Error Resume Next

' ---- audio tracks and their collection
Set tracks = CreateObject("Vexo.VexoAudioTracks")
For i = 1 To 99
    Set t = CreateObject("Vexo.VexoAudioTrack")
    t.Title = "Track " & i
    tracks.Add t
    If Err.Number <> 0 Then Report "Add track " & i
Next
WScript.Echo "audio tracks: " & tracks.Count
Set t = CreateObject("Vexo.VexoAudioTrack")
tracks.Add t                                  : Report "100th track"
WScript.Echo "audio tracks: " & tracks.Count & ", last: " & tracks.Item(98).Title
tracks.Add Nothing                            : Report "Add Nothing to a full collection"
Set first = tracks.Item(0)
Set other = CreateObject("Vexo.VexoAudioTracks")
other.Add first                               : Report "same track into a second collection"
tracks.Remove 0                               : Report "Remove(0)"
other.Add first                               : Report "second collection after Remove"
WScript.Echo "counts: " & tracks.Count & " " & other.Count
Set t = tracks.Item(-1)                       : Report "Item(-1)"
Set t = tracks.Item(tracks.Count)             : Report "Item(Count)"
tracks.Remove tracks.Count                    : Report "Remove(Count)"
other.Add Nothing                             : Report "Add Nothing"
s = ""
n = 0
For Each t In tracks
    n = n + 1
    If n <= 3 Then s = s & t.Title & ", "
Next
WScript.Echo "For Each: " & n & " tracks, first " & s

Set t = CreateObject("Vexo.VexoAudioTrack")
t.TrackType = 2                               : Report "TrackType = 2"
t.TrackType = 4                               : Report "TrackType = 4"
WScript.Echo "TrackType stays " & t.TrackType
t.Filename = String(255, "a")                 : Report "255-byte file name"
WScript.Echo "file name length " & Len(t.Filename)
t.Filename = String(256, "b")                 : Report "256-byte file name"
WScript.Echo "file name still " & Left(t.Filename, 1) & " x " & Len(t.Filename)
For i = 1 To 98
    t.RelativeIndexBlkPositions.Add i * 75
    If Err.Number <> 0 Then Report "position " & i
Next
t.RelativeIndexBlkPositions.Add 99 * 75       : Report "99th position"
WScript.Echo "positions: " & t.RelativeIndexBlkPositions.Count
WScript.Echo "same positions object: " & (t.RelativeIndexBlkPositions Is t.RelativeIndexBlkPositions)

' ---- freestyle tracks
Set items = CreateObject("Vexo.VexoFreestyleTracks")
Set t = CreateObject("Vexo.VexoFreestyleTrack")
t.TrackType = 3                               : Report "freestyle TrackType = 3"
t.SourceType = 2                              : Report "freestyle SourceType = 2"
t.SourceType = 1                              : Report "freestyle SourceType = 1"
items.Add t                                   : Report "freestyle Add"
WScript.Echo "freestyle tracks: " & items.Count

' ---- video items
Set items = CreateObject("Vexo.VexoVideoItems")
Set video = CreateObject("Vexo.VexoVideoItem")
WScript.Echo "fresh video item: pause " & video.PauseAfterItem & ", type " & video.ItemType
video.SourceFileName = String(249, "v")       : Report "249-byte video name"
WScript.Echo "reads back " & Len(video.SourceFileName)
video.SourceFileName = String(250, "w")       : Report "250-byte video name"
WScript.Echo "reads back " & Len(video.SourceFileName) & " " & Right(video.SourceFileName, 1)
video.ItemType = 3                            : Report "ItemType = 3"
items.Add video                               : Report "video Add"
items.Add video                               : Report "video Add again"

' ---- files, folders and the data track
Set f = CreateObject("Vexo.VexoFile")
f.Name = "readme.txt"                         : Report "file Name"
f.EntryTime = DateSerial(2004, 10, 19) + TimeSerial(12, 30, 15) : Report "EntryTime put"
WScript.Echo "EntryTime " & Year(f.EntryTime) & "-" & Month(f.EntryTime) & "-" & Day(f.EntryTime) & " " & _
    Hour(f.EntryTime) & ":" & Minute(f.EntryTime) & ":" & Second(f.EntryTime)
f.SourceFilePath = "C:\data\" & String(300, "p") : Report "300-byte source path"
WScript.Echo "source path length " & Len(f.SourceFilePath)
Set iso = CreateObject("Vexo.VexoIsoTrack")
Set root = iso.RootFolder                     : Report "RootFolder"
WScript.Echo "RootFolder twice is the same folder: " & (root Is iso.RootFolder)
Set folder = CreateObject("Vexo.VexoFolder")
folder.Name = "docs"
root.Folders.Add folder                       : Report "subfolder Add"
folder.Files.Add f                            : Report "file Add"
folder.Folders.Add root                       : Report "root into its own subfolder"
folder.Folders.Add folder                     : Report "folder into itself"
WScript.Echo "tree: " & root.Folders.Count & " folder, " & root.Folders.Item(0).Files.Item(0).Name
iso.BurnOptions = 1 + 4 + 8                   : Report "BurnOptions"
iso.Publisher = "Quarn"                       : Report "Publisher"
WScript.Echo "volume '" & iso.Name & "', options " & iso.BurnOptions & ", publisher " & iso.Publisher
Set iso.RootFolder = Nothing                  : Report "RootFolder = Nothing"
Set opts = CreateObject("Vexo.VexoFileSystemTrackOptions")
opts.MediaType = 1                            : Report "options MediaType"
Set opts.CDStamp = f                          : Report "options CDStamp of another kind"

On Error GoTo 0
WScript.Echo "done"
