// Tree item data of bouquets, providers and services. GUI side only (wxTreeItemData
// lives in the toolkit's core library); the logic works on the plain ChannelItemData.
#pragma once

#include <wx/treebase.h>

#include "webif/service_model.h"

class MyChannelItemData : public wxTreeItemData, public ChannelItemData {
public:
    explicit MyChannelItemData(const ChannelItemData& data) : ChannelItemData(data) {}
};
