// The image jobs of DiscImages.h: the BIN/CUE discs (mixed, CD-extra,
// freestyle) and the dispatch to the video CD and disc copy jobs.

#include "DiscImages.h"

#include "AudioImageWriter.h"
#include "CueWriter.h"
#include "EngineLayout.h"

#include <windows.h>

namespace vexosim {
namespace {

namespace L = vexosim::layout;

constexpr std::uint32_t kCdTextFlag = 32;

class RefusedJob : public DiscImageJob {
public:
    explicit RefusedJob(std::string error) : error_(std::move(error)) {}
    ImageOutcome Record(const ImageProgress&) override { return {kImageFailed, error_}; }
    ImageOutcome Commit() override { return {kImageFailed, error_}; }
    void Report(SimEngine&) override {}

private:
    std::string error_;
};

// A disc recorded as BIN/CUE by the recorder of DiscRecorder.h.
class BinCueJob : public DiscImageJob {
public:
    BinCueJob(std::string kind, DiscPlan plan, std::vector<EventTrack> events, bool cdText, const std::string& target)
        : kind_(std::move(kind)), plan_(std::move(plan)), events_(std::move(events)), cdText_(cdText),
          writer_(ImagePathsFor(target)) {}

    ImageOutcome Record(const ImageProgress& progress) override {
        RecordResult recorded = RecordDisc(plan_, events_, cdText_, writer_, progress);
        texts = recorded.pulled;
        if (recorded.aborted) return {kImageAborted, {}};
        if (!recorded.ok) return {recorded.eventError ? kImageEventError : kImageFailed, recorded.error};
        cue_ = std::move(recorded.cue);
        return {};
    }

    ImageOutcome Commit() override {
        std::string why;
        if (!writer_.Commit(cue_, why)) return {kImageFailed, "Image recorder: " + why};
        return {};
    }

    void Report(SimEngine& e) override {
        e.Count("recorder.images");
        e.SetCounter("recorder.sectors", static_cast<std::int64_t>(writer_.Sectors()));
        e.SetText("recorder.cue", writer_.Paths().cue);
        e.SetText("recorder.bin", writer_.Paths().bin);
        e.Count("discimage.written");
        e.SetText("discimage.kind", kind_);
        e.SetText("discimage.path", writer_.Paths().cue);
        e.SetCounter("discimage.sectors", static_cast<std::int64_t>(writer_.Sectors()));
    }

private:
    std::string kind_;
    DiscPlan plan_;
    std::vector<EventTrack> events_;
    bool cdText_;
    AudioImageWriter writer_;
    std::string cue_;
};

std::int32_t Failed(SimEngine& e, const ImageOutcome& outcome) {
    if (outcome.result == 0 || outcome.error.empty()) return outcome.result;
    auto lock = e.Lock();
    e.errors.push_back(outcome.error);
    e.SetText("discimage.error", outcome.error);
    e.Count("discimage.refused");
    e.Log("VexoBurn image: " + outcome.error);
    return outcome.result;
}

}  // namespace

std::unique_ptr<DiscImageJob> RefusedImage(std::string error) { return std::make_unique<RefusedJob>(std::move(error)); }

std::unique_ptr<DiscImageJob> PlanDiscImage(SimEngine& e, std::int32_t device, std::int32_t type,
                                            const std::uint8_t* r, const CompilationSummary& compilation,
                                            std::uint32_t burnFlags) {
    if (!r) return nullptr;
    const bool mixed = type == 0 && compilation.audio.dataTrack && !compilation.audio.tracks.empty();
    if (!mixed && type != 1 && type != 3 && type != 1000) return nullptr;
    const std::string target = e.RecorderTarget(device);
    e.SetText("recorder.target", target);
    if (target.empty()) return nullptr;
    const bool cdText = (burnFlags & kCdTextFlag) != 0;
    std::string why;
    switch (type) {
    case 0: {
        DiscPlan plan;
        if (!PlanMixedDisc(e, r, compilation, plan, why)) return RefusedImage(why);
        const std::string kind = plan.sessions ? "cdextra" : "mixed";
        return std::make_unique<BinCueJob>(kind, std::move(plan), compilation.events, cdText, target);
    }
    case 3: {
        DiscPlan plan;
        if (!PlanFreestyleDisc(e, r, compilation, plan, why)) return RefusedImage(why);
        return std::make_unique<BinCueJob>("freestyle", std::move(plan), compilation.events, cdText, target);
    }
    case 1:
        return PlanVideoCd(e, target, r);
    default:
        return PlanDiscCopy(e, target, r);
    }
}

std::int32_t RecordDiscImage(SimEngine& e, DiscImageJob& job, const ImageProgress& progress) {
    ImageOutcome outcome = job.Record(progress);
    {
        auto lock = e.Lock();
        for (const auto& [key, value] : job.texts) e.SetText(key, value);
    }
    return Failed(e, outcome);
}

std::int32_t CommitDiscImage(SimEngine& e, DiscImageJob& job) {
    ImageOutcome outcome = job.Commit();
    if (outcome.result == 0) {
        auto lock = e.Lock();
        job.Report(e);
        return 0;
    }
    return Failed(e, outcome);
}

PartFile::~PartFile() {
    if (!committed_) DeleteFileA(part_.c_str());
}

bool PartFile::Commit(std::string& why) {
    if (!MoveFileExA(part_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        why = "cannot rename the image to " + final_ + " (error " + std::to_string(GetLastError()) + ")";
        DeleteFileA(part_.c_str());
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace vexosim
