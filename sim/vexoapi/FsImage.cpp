// A file-system container as an ISO 9660 image (see FsImage.h).
//
// A produced file is pulled when the image writer reaches it: an engine
// thread calls the producer's Produce with an output stream, and the
// stream's writes are handed over to the writer through a bounded queue
// (kHandOverBytes), so a file is never held whole in memory. The producer
// fails the file, and with it the burn, when it answers other than
// entryNoError, delivers fewer bytes than its entry declares, or more (the
// write that goes beyond answers entryInterfaceError). When the writer
// stops early, the stream's writes answer entryInterfaceError until
// Produce returns; the thread is always joined before the burn goes on.
// Counters "produce.calls", "produce.thread" (the id of the last thread
// that called Produce); "fsimage.written", "fsimage.refused",
// "fsimage.sectors"; texts "fsimage.path", "fsimage.error".

#include "FsImage.h"

#include "DataImage.h"
#include "EngineLayout.h"
#include "FsObjects.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace vexosim;
namespace L = vexosim::layout;
namespace EO = EngineObjects;

namespace {

constexpr std::size_t kHandOverBytes = 1u << 20;
constexpr std::size_t kHandOverPiece = 256u << 10;

// One produced file's bytes, from the producer's engine thread to the writer.
class ProducerFeed final : public StreamTarget {
public:
    ProducerFeed(std::shared_ptr<HeldProducer> producer, std::uint64_t size) : producer_(std::move(producer)), size_(size) {}
    ~ProducerFeed() override { Stop(); }
    ProducerFeed(const ProducerFeed&) = delete;
    ProducerFeed& operator=(const ProducerFeed&) = delete;

    void SetOffset(std::int32_t sector) { offset_ = sector; }
    std::optional<std::int32_t> BurnAtOnceOffset() const override { return offset_; }

    std::int32_t Write(const void* bytes, std::uint32_t size) override {
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        std::unique_lock<std::mutex> lock(mutex_);
        if (cancelled_) return EO::entryInterfaceError;
        if (accepted_ + size > size_) {
            overflow_ = true;
            changed_.notify_all();
            return EO::entryInterfaceError;
        }
        while (size > 0) {
            changed_.wait(lock, [&] { return queued_ < kHandOverBytes || cancelled_; });
            if (cancelled_) return EO::entryInterfaceError;
            const std::size_t piece = std::min<std::size_t>(size, kHandOverPiece);
            queue_.emplace_back(p, p + piece);
            queued_ += piece;
            accepted_ += piece;
            p += piece;
            size -= static_cast<std::uint32_t>(piece);
            changed_.notify_all();
        }
        return EO::entryNoError;
    }

    // The writer's pull: throws when the producer fails the file.
    std::size_t Pull(std::uint64_t, std::span<std::uint8_t> out) {
        if (!thread_.joinable() && !finished_) thread_ = std::thread([this] { Run(); });
        std::size_t got = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return !queue_.empty() || finished_ || overflow_; });
            if (overflow_) throw std::runtime_error(Format("it delivered more than the %llu bytes its entry declares", Ull(size_)));
            if (queue_.empty()) throw std::runtime_error(Ended());
            while (got < out.size() && !queue_.empty()) {
                std::vector<std::uint8_t>& front = queue_.front();
                const std::size_t n = std::min(out.size() - got, front.size() - frontUsed_);
                std::memcpy(out.data() + got, front.data() + frontUsed_, n);
                got += n;
                frontUsed_ += n;
                if (frontUsed_ == front.size()) {
                    queued_ -= front.size();
                    queue_.pop_front();
                    frontUsed_ = 0;
                }
            }
            pulled_ += got;
            changed_.notify_all();
            if (pulled_ < size_) return got;
            // The whole file is here: the producer must end, and well.
            changed_.wait(lock, [&] { return finished_ || overflow_; });
            if (overflow_) throw std::runtime_error(Format("it delivered more than the %llu bytes its entry declares", Ull(size_)));
            if (result_ != EO::entryNoError) throw std::runtime_error(Ended());
        }
        thread_.join();
        return got;
    }

private:
    static unsigned long long Ull(std::uint64_t v) { return static_cast<unsigned long long>(v); }

    std::string Ended() const {
        if (result_ != EO::entryNoError)
            return Format("its producer answered %d after %llu of %llu bytes", result_, Ull(accepted_), Ull(size_));
        return Format("its producer delivered %llu of the %llu bytes its entry declares", Ull(accepted_), Ull(size_));
    }

    // The engine thread.
    void Run() {
        SimEngine& e = SimEngine::Get();
        EO::Object* stream = nullptr;
        {
            auto lock = e.Lock();
            stream = MakeStream(e, this);
            e.Count("produce.calls");
            e.SetCounter("produce.thread", static_cast<std::int64_t>(GetCurrentThreadId()));
        }
        const std::int32_t result = Guarded<std::int32_t>(EO::entryInterfaceError, [&] { return producer_->Produce(stream); });
        {
            auto lock = e.Lock();
            EndStream(e, stream);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        result_ = result;
        finished_ = true;
        changed_.notify_all();
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
            changed_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
    }

    std::shared_ptr<HeldProducer> producer_;
    const std::uint64_t size_;
    std::optional<std::int32_t> offset_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<std::uint8_t>> queue_;
    std::size_t frontUsed_ = 0;
    std::size_t queued_ = 0;
    std::uint64_t accepted_ = 0;
    std::uint64_t pulled_ = 0;
    std::int32_t result_ = EO::entryNoError;
    bool finished_ = false;
    bool overflow_ = false;
    bool cancelled_ = false;
};

struct ProducerPull {
    std::shared_ptr<ProducerFeed> feed;
    std::size_t operator()(std::uint64_t offset, std::span<std::uint8_t> out) const { return feed->Pull(offset, out); }
};

void AddEntries(const FsEntry& dir, iso9660::Node& node, std::uint64_t& dataSectors) {
    node.children.reserve(dir.children.size());
    for (const auto& c : dir.children) {
        const std::string name = Utf8FromAnsi(c->name);
        if (c->directory) {
            iso9660::Node sub = iso9660::Node::Directory(name, c->addedAt);
            AddEntries(*c, sub, dataSectors);
            node.children.push_back(std::move(sub));
            continue;
        }
        iso9660::Source source;
        if (c->producer)
            source = iso9660::Source::FromProducer(ProducerPull{std::make_shared<ProducerFeed>(c->producer, c->size)});
        else if (!c->sourcePath.empty())
            source = iso9660::Source::FromPath(Utf8FromAnsi(c->sourcePath));
        dataSectors += (c->size + iso9660::kSectorBytes - 1) / iso9660::kSectorBytes;
        node.children.push_back(iso9660::Node::File(name, c->size, c->addedAt, std::move(source)));
    }
}

void PairFiles(const FsEntry& dir, iso9660::Node& node, const std::string& prefix, std::vector<ContainerImage::File>& out) {
    for (std::size_t i = 0; i < dir.children.size(); ++i) {
        const auto& c = dir.children[i];
        const std::string path = prefix.empty() ? c->name : prefix + "/" + c->name;
        if (c->directory)
            PairFiles(*c, node.children[i], path, out);
        else
            out.push_back({c, &node.children[i], path});
    }
}

std::int32_t Refuse(SimEngine& e, const std::string& line) {
    auto lock = e.Lock();
    e.errors.push_back(line);
    e.SetText("fsimage.error", line);
    e.Count("fsimage.refused");
    e.Log("VexoBurn file-system image: " + line);
    return kDataBurnFailed;
}

}  // namespace

namespace vexosim {

bool ContainerImageTree(SimEngine& e, const void* container, std::uint32_t burnOptions, ContainerImage& out, std::string& why) {
    std::shared_ptr<FsContainer> c = LiveContainer(e, container);
    if (!c) {
        why = "The file-system content is not a container of this engine";
        e.CheckFailed("file-system content", container ? "not a live container object" : "the container is null");
        return false;
    }
    return ContainerImageTreeOf(*c, burnOptions, out, why);
}

bool ContainerImageTreeOf(const FsContainer& c, std::uint32_t burnOptions, ContainerImage& out, std::string& why) {
    why = RefusedFileSystems(burnOptions);
    if (!why.empty()) return false;
    out.root = iso9660::Node::Directory("", c.root->addedAt);
    out.dataSectors = 0;
    AddEntries(*c.root, out.root, out.dataSectors);
    out.files.clear();
    PairFiles(*c.root, out.root, "", out.files);
    out.options = iso9660::WriterOptions{};
    out.options.volumeName = Utf8FromAnsi(c.name);
    out.options.joliet = (burnOptions & kBurnOptionJoliet) != 0;
    out.options.rockRidge = (burnOptions & kBurnOptionRockRidge) != 0;
    out.options.level = iso9660::NameLevel::Level2;
    return true;
}

bool SetBurnAtOnceOffset(iso9660::Node& node, std::int32_t sector) {
    auto* pull = node.source.produce.target<ProducerPull>();
    if (!pull) return false;
    pull->feed->SetOffset(sector);
    return true;
}

std::string CheckFileSystemRecord(SimEngine& e, std::int32_t type, const void* record) {
    if (type != 4 || !record) return {};
    const void* container = L::GetPtr(static_cast<const std::uint8_t*>(record), L::filesystem::Container);
    if (!LiveContainer(e, container))
        return container ? "the file-system record's container is not a live container of this engine"
                         : "the file-system record's container is null";
    return {};
}

std::int32_t WriteFileSystemImage(SimEngine& e, void* device, std::int32_t type, const void* record) {
    if (type != 4 || !record) return 0;
    const auto* r = static_cast<const std::uint8_t*>(record);
    ContainerImage image;
    std::string target, why;
    {
        auto lock = e.Lock();
        const std::int32_t index = e.DeviceOf(device);
        if (index < 0) return 0;
        if (ContainerImageTree(e, L::GetPtr(r, L::filesystem::Container), L::Get32(r, L::filesystem::BurnOptions), image, why))
            target = DataImageTarget(e, index);
    }
    if (!why.empty()) return Refuse(e, why);
    std::uint32_t sectors = 0;
    try {
        sectors = iso9660::ImageSectors(image.root, image.options);
    } catch (const std::exception& x) {
        return Refuse(e, std::string("The file-system content cannot be written as ISO 9660: ") + x.what());
    }
    if (target.empty()) {
        // No recorder: the files are pulled as a burn pulls them, the image goes nowhere.
        try {
            iso9660::Write(image.root, image.options, [](std::span<const std::uint8_t>) {});
        } catch (const std::exception& x) {
            return Refuse(e, std::string("The file-system content cannot be burnt: ") + x.what());
        }
    } else {
        const std::wstring finalName = WideFromAnsi(target);
        PartialImage partial(finalName + L".part");
        try {
            iso9660::WriteFile(image.root, image.options, Utf8FromAnsi(target) + ".part");
        } catch (const std::exception& x) {
            return Refuse(e, "The image \"" + target + "\" cannot be written: " + x.what());
        }
        if (!partial.MoveTo(finalName)) return Refuse(e, "The image \"" + target + "\" cannot be put in place");
    }
    auto lock = e.Lock();
    e.Count("fsimage.written");
    e.SetCounter("fsimage.sectors", sectors);
    e.SetText("fsimage.path", target);
    e.Log(Format("VexoBurn file-system image \"%s\": %u sectors", target.c_str(), sectors));
    return 0;
}

std::int32_t EstimateContainer(SimEngine& e, const void* container, std::uint32_t burnOptions, std::int32_t flags) {
    ContainerImage image;
    std::string why;
    std::uint64_t total = 0;
    if (ContainerImageTree(e, container, burnOptions, image, why)) {
        try {
            total = iso9660::ImageSectors(image.root, image.options);
        } catch (const std::exception& x) {
            why = std::string("The file-system content cannot be written as ISO 9660: ") + x.what();
        }
    }
    if (!why.empty()) {
        e.errors.push_back(why);
        e.SetText("fsimage.error", why);
        return -1;
    }
    std::uint64_t blocks = total;
    if ((flags & 3) == 1) blocks = total - image.dataSectors;
    if ((flags & 3) == 2) blocks = image.dataSectors;
    if (blocks > static_cast<std::uint64_t>(INT32_MAX)) return -1;
    e.SetCounter("estimate.blocks", static_cast<std::int64_t>(blocks));
    return static_cast<std::int32_t>(blocks);
}

}  // namespace vexosim
