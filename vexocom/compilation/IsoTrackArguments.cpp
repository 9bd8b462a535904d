#include "compilation/IsoTrackArguments.h"

namespace vexo {

bool IsoTrackArguments::Fill(VexoISOTrack& track) {
    record_.fill(0);
    VexoFolder* root = track.Root();
    if (!root) return false;
    try {
        for (int i = 0; i < VexoISOTrack::kTextCount; ++i)
            texts_[i] = track.AnsiText(static_cast<VexoISOTrack::Text>(i));
    } catch (...) {
        return false;
    }
    root->LinkTree();
    VexoFolder* wrapper = track.Wrapper();
    if (wrapper && wrapper != root) wrapper->LinkTree();

    EngineRecords::IsoTrackTexts texts;
    texts.volumeName = texts_[VexoISOTrack::kName].c_str();
    texts.systemIdentifier = texts_[VexoISOTrack::kSystemIdentifier].c_str();
    texts.volumeSet = texts_[VexoISOTrack::kVolumeSet].c_str();
    texts.publisher = texts_[VexoISOTrack::kPublisher].c_str();
    texts.dataPreparer = texts_[VexoISOTrack::kDataPreparer].c_str();
    texts.application = texts_[VexoISOTrack::kApplication].c_str();
    texts.copyright = texts_[VexoISOTrack::kCopyright].c_str();
    texts.abstract = texts_[VexoISOTrack::kAbstract].c_str();
    texts.bibliographic = texts_[VexoISOTrack::kBibliographic].c_str();
    EngineRecords::WriteIsoTrackArguments(record_, root->FirstItem(), wrapper ? wrapper->FirstItem() : nullptr,
                                          track.BurnOptions(), texts);
    return true;
}

}  // namespace vexo
