// Every limit of the compilation objects, with the message a caller gets
// when it is reached.
#pragma once

#include <cstddef>

#include "com/ObjectCollection.h"
#include "com/ReportError.h"

namespace vexo::limits {

// Collections (Add on a full collection answers the message).
inline constexpr com::CollectionLimit kAudioTracks{99, kErrAudioTracksFull};          // 528
inline constexpr com::CollectionLimit kFreestyleTracks{99, kErrFreestyleTracksFull};  // 532
inline constexpr com::CollectionLimit kVideoItems{99, kErrVideoItemsFull};            // 522
inline constexpr com::CollectionLimit kIndexPositions{98, kErrIndexPositionsFull};    // 527
inline constexpr com::CollectionLimit kFiles = com::kNoLimit;
inline constexpr com::CollectionLimit kFolders = com::kNoLimit;

// A track's file name: at most this many ANSI bytes, else message 524.
inline constexpr std::size_t kTrackFileNameMaxBytes = 255;
inline constexpr UINT kTrackFileNameMessage = kErrFileNameTooLong;  // 524

// The values an enumerated property takes, with the message for any other.
struct ValueRange {
    LONG min = 0;
    LONG max = 0;
    UINT message = 0;
    constexpr bool Holds(LONG value) const noexcept { return value >= min && value <= max; }
};
inline constexpr ValueRange kAudioTrackTypes{0, 3, kErrAudioTrackType};             // 530
inline constexpr ValueRange kFreestyleTrackTypes{0, 2, kErrFreestyleTrackType};     // 531
inline constexpr ValueRange kFreestyleSourceTypes{0, 1, kErrFreestyleSourceType};   // 533
inline constexpr ValueRange kVideoItemTypes{0, 2, kErrVideoItemType};               // 525
// A video item's source name is kept inline below this many ANSI bytes,
// and behind the long-name pointer from it on.
inline constexpr std::size_t kVideoInlineNameBelowBytes = 250;
// An ISO item's name and source path are kept inline up to this many ANSI
// bytes, and behind the long pointers beyond.
inline constexpr std::size_t kIsoItemInlineMaxBytes = 251;

}  // namespace vexo::limits
