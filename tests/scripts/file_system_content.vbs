' A data compilation described in the engine's own file-system model, built
' from a script: directories and files added by name (from source paths,
' nested, names outside ASCII), look-ups, removal, producers and sizes.
Option Explicit
Dim vexo, fso, folder, path, stream, container, root, docs, inner, entry, e, p1, p2, removed

Sub Report(label)
    If Err.Number = 0 Then
        WScript.Echo label & ": ok"
    Else
        WScript.Echo label & ": &H" & Hex(Err.Number) & " " & Err.Description
    End If
    Err.Clear
End Sub

Set vexo = CreateObject("Vexo.Vexo")
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.GetSpecialFolder(2) & "\vexo-fscontent"
If Not fso.FolderExists(folder) Then fso.CreateFolder folder
path = folder & "\Notiz.txt"
Set stream = fso.CreateTextFile(path, True)
stream.Write "twelve bytes"
stream.Close

On Error Resume Next

Set container = CreateObject("Vexo.VexoFileSystemDescContainer")
container.Name2 = "Skript Volume"                       : Report "Name2"
WScript.Echo "name: " & container.Name
container.BurnOptions = 5                               : Report "BurnOptions"
WScript.Echo "burn options: " & container.BurnOptions
Set root = container.RootDirectoryContainer             : Report "RootDirectoryContainer"
Set docs = root.AddDirectory("Dokumente", 0)            : Report "AddDirectory"
Set inner = docs.AddDirectory("Übersicht für Café", 1)  : Report "nested AddDirectory"
Set entry = inner.AddFile2("Notiz.txt", path, 2, 0)     : Report "AddFile2"
WScript.Echo "entry: " & entry.Name & ", priority " & entry.FilePriority & ", source " & (entry.SourceFilePath = path)
entry.DirOrder = 4                                      : Report "DirOrder put"
entry.id = 77                                           : Report "id put"
' Read back late-bound although get and put have different dispatch ids.
WScript.Echo "dir order " & entry.DirOrder & ", id " & entry.id & ", data start " & entry.DataStartSec
root.AddFile2 "oben.txt", path, 0, 0                    : Report "AddFile2 at the root"
root.AddFile2 "weg.txt", path, 0, 0                     : Report "AddFile2 to remove"

' The list of a directory is what it held when it was reached.
Set root = container.RootDirectoryContainer
WScript.Echo "root entries: " & root.Count
For Each e In root
    WScript.Echo "  " & e.Name
Next
WScript.Echo "inner: " & root.SubDirectory("Dokumente").SubDirectory("Übersicht für Café").Item(0).Name
removed = root.RemoveEntry("weg.txt")                   : Report "RemoveEntry existing"
WScript.Echo "removed: " & removed
removed = root.RemoveEntry("weg.txt")                   : Report "RemoveEntry missing"
WScript.Echo "removed: " & removed
Set e = root.Entry("nicht da")                          : Report "Entry of a missing name"
Set e = root.Entry("oben.txt")                          : Report "Entry of oben.txt"
WScript.Echo "entry 2: " & root.Entry2(1).Name

' Producers: consecutive ids.
Set p1 = CreateObject("Vexo.VexoFileProducer")
Set p2 = CreateObject("Vexo.VexoFileProducer")
WScript.Echo "ids follow each other: " & (p2.id = p1.id + 1)
' A size of 3 GiB as halves: (0, &HC0000000). VBScript cannot receive a
' typed [out] argument, so the C++ clients read the halves back.
Set e = root.AddFile("gemacht.bin", p1, 0, &HC0000000, 0, 0)   : Report "AddFile of 3 GiB"
e.Size(0) = &HC0000000                                  : Report "Size put"
Set e = root.AddFile("nichts.bin", Nothing, 0, 1, 0, 0) : Report "AddFile without a producer"

' The root as read-only directory.
Set root = container.Root
WScript.Echo "read-only root entries: " & root.Count
root.Item(0).Priority = 1                               : Report "Priority on a read-only entry"

Set e = Nothing
Set entry = Nothing
Set inner = Nothing
Set docs = Nothing
Set root = Nothing
Set container = Nothing
fso.DeleteFolder folder, True
WScript.Echo "done"
