// The main window's pictures, drawn at start-up instead of shipped as files:
// a disc, a re-read arrow, an eject mark, a globe, a note, a page, and the
// large disc of the About tab. Each comes as an icon with a soft alpha edge.
#pragma once

#include <windows.h>

namespace CadrelArt {

enum class Picture { Disc, Reread, Eject, Globe, Note, Page, Help };

// An icon of size x size pixels; the caller destroys it with DestroyIcon.
HICON MakeIcon(Picture picture, int size);

}  // namespace CadrelArt
