#include "server/ClassTable.h"

#include "compilation/VexoAudioTrack.h"
#include "compilation/VexoAudioTracks.h"
#include "compilation/VexoFSSecNo.h"
#include "compilation/VexoFile.h"
#include "compilation/VexoFileProducer.h"
#include "compilation/VexoFileSystemDescContainer.h"
#include "compilation/VexoFileSystemTrackOptions.h"
#include "compilation/VexoFolder.h"
#include "compilation/VexoFreestyleTrack.h"
#include "compilation/VexoFreestyleTracks.h"
#include "compilation/VexoISOTrack.h"
#include "compilation/VexoVideoItem.h"
#include "compilation/VexoVideoItems.h"
#include "VexoInterfaces.h"
#include "engineobject/VexoObject.h"

namespace vexo {
namespace {

// Registry-script resource ids are those of the REGISTRY resources.
const ClassEntry kClasses[] = {
    {109, L"Vexo", &CLSID_Vexo, &Vexo::CreateInstance},
    {114, L"VexoVideoItem", &CLSID_VexoVideoItem, &VexoVideoItem::CreateInstance},
    {116, L"VexoAudioTrack", &CLSID_VexoAudioTrack, &VexoAudioTrack::CreateInstance},
    {119, L"VexoFile", &CLSID_VexoFile, &VexoFile::CreateInstance},
    {121, L"VexoFolder", &CLSID_VexoFolder, &VexoFolder::CreateInstance},
    {124, L"VexoIsoTrack", &CLSID_VexoISOTrack, &VexoISOTrack::CreateInstance},
    {125, L"VexoFreestyleTrack", &CLSID_VexoFreestyleTrack, &VexoFreestyleTrack::CreateInstance},
    {126, L"VexoFileSystemDescContainer", &CLSID_VexoFileSystemDescContainer,
     &VexoFileSystemDescContainer::CreateInstance},
    {127, L"VexoFileProducer", &CLSID_VexoFileProducer, &VexoFileProducer::CreateInstance},
    {128, L"VexoVideoItems", &CLSID_VexoVideoItems, &VexoVideoItems::CreateInstance},
    {129, L"VexoAudioTracks", &CLSID_VexoAudioTracks, &VexoAudioTracks::CreateInstance},
    {130, L"VexoFreestyleTracks", &CLSID_VexoFreestyleTracks, &VexoFreestyleTracks::CreateInstance},
    {202, L"VexoFSSecNo", &CLSID_VexoFSSecNo, &VexoFSSecNo::CreateInstance},
    {203, L"VexoFileSystemTrackOptions", &CLSID_VexoFileSystemTrackOptions,
     &VexoFileSystemTrackOptions::CreateInstance},
};

}  // namespace

std::span<const ClassEntry> CreatableClasses() { return kClasses; }

const ClassEntry* FindClass(REFCLSID clsid) {
    for (const ClassEntry& c : kClasses)
        if (::IsEqualGUID(*c.clsid, clsid)) return &c;
    return nullptr;
}

}  // namespace vexo
