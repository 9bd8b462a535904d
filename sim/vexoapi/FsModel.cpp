// The file-system description model (see FsModel.h).

#include "FsModel.h"

#include "SimEngine.h"

using namespace vexosim;
namespace EO = EngineObjects;

namespace vexosim {

HeldProducer::HeldProducer(EO::Object* producer) : producer_(producer) {
    SimEngine& e = SimEngine::Get();
    auto lock = e.Lock();
    e.Count("producers.held");
}

HeldProducer::~HeldProducer() {
    {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Count("producers.held", -1);
        e.Count("producers.released");
    }
    Guarded<int>(0, [&] {
        if (producer_ && producer_->operations)
            static_cast<const EO::ProducerOperations*>(producer_->operations)->object.Release(producer_);
        return 0;
    });
}

std::int32_t HeldProducer::Produce(EO::Object* stream) const {
    const auto* ops = static_cast<const EO::ProducerOperations*>(producer_->operations);
    return ops->Produce(producer_, stream);
}

std::shared_ptr<FsEntry> FsEntry::Child(const std::string& childName) const {
    for (const auto& c : children)
        if (c->name == childName) return c;
    return nullptr;
}

namespace {
void Collect(const FsEntry& dir, const std::string& prefix, std::vector<FsFileRef>& out) {
    for (const auto& c : dir.children) {
        const std::string path = prefix.empty() ? c->name : prefix + "/" + c->name;
        if (c->directory)
            Collect(*c, path, out);
        else
            out.push_back({c, path});
    }
}
}  // namespace

std::vector<FsFileRef> FilesInOrder(const FsEntry& root) {
    std::vector<FsFileRef> out;
    Collect(root, "", out);
    return out;
}

}  // namespace vexosim
