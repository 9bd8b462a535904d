// The images a burn writes at the device's recorder target besides plain
// audio discs and plain data discs: mixed and CD-extra discs (type 0 with a
// data track and audio tracks) and freestyle discs (type 3) as BIN/CUE,
// video CDs (type 1) as ISO 9660 images with the Video CD's files, and disc
// copies (type 1000) as copies of the source drive's medium. A job is
// planned under the engine's lock from the record, records everything
// under temporary names before the burn's progress steps, and gives the
// files their final names once the burn is to succeed; a job that is not
// committed deletes what it wrote.
#pragma once

#include "Compilations.h"
#include "DiscRecorder.h"
#include "SimEngine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexosim {

// What a burn answers when its image cannot be written (VEXO_BURN_FAILED),
// when it is aborted, and when an event track reports an error.
inline constexpr std::int32_t kImageFailed = 3;
inline constexpr std::int32_t kImageAborted = 6;
inline constexpr std::int32_t kImageEventError = 1;

struct ImageOutcome {
    std::int32_t result = 0;
    std::string error;  // the engine error line when result is not 0 (empty for an abort)
};

class DiscImageJob {
public:
    virtual ~DiscImageJob() = default;
    // Without the lock: writes the image under temporary names.
    virtual ImageOutcome Record(const ImageProgress& progress) = 0;
    // Without the lock: gives the files their final names.
    virtual ImageOutcome Commit() = 0;
    // Lock held, after a commit: the counters and texts of the image.
    virtual void Report(SimEngine& e) = 0;
    // Texts the recording produced (event tracks pulled), set with the lock.
    std::vector<std::pair<std::string, std::string>> texts;
};

// With the lock held, after the record passed its checks and was
// summarised: the job of a burn on `device` (its index), or null when the
// burn writes no image here (no recorder target; a type 0 compilation that
// is audio only or data only, which VexoBurn records itself; other types).
// Problems found in the record already give a job that answers them.
std::unique_ptr<DiscImageJob> PlanDiscImage(SimEngine& e, std::int32_t device, std::int32_t type,
                                            const std::uint8_t* record, const CompilationSummary& compilation,
                                            std::uint32_t burnFlags);

// Runs a job's recording or commit with its error handling: the error line
// goes to the engine's error lines and the text "discimage.error". Answers
// the burn's result (0 when done).
std::int32_t RecordDiscImage(SimEngine& e, DiscImageJob& job, const ImageProgress& progress);
std::int32_t CommitDiscImage(SimEngine& e, DiscImageJob& job);

// The planners of the kinds (lock held); `target` is the device's recorder
// target as configured (not yet given its extension).
std::unique_ptr<DiscImageJob> PlanVideoCd(SimEngine& e, const std::string& target, const std::uint8_t* record);
std::unique_ptr<DiscImageJob> PlanDiscCopy(SimEngine& e, const std::string& target, const std::uint8_t* record);

// A job that answers a refusal found while planning.
std::unique_ptr<DiscImageJob> RefusedImage(std::string error);

// A file written under "<name>.part" and renamed over its final name on
// commit; deleted when it goes uncommitted.
class PartFile {
public:
    explicit PartFile(std::string finalName) : final_(std::move(finalName)), part_(final_ + ".part") {}
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    const std::string& Part() const { return part_; }
    const std::string& Final() const { return final_; }
    // False (why set) when the rename fails; the part file is gone then.
    bool Commit(std::string& why);

private:
    std::string final_, part_;
    bool committed_ = false;
};

}  // namespace vexosim
