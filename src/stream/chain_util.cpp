#include "stream/chain_util.h"

#include <cstdlib>

void AddToBin(GstElement* bin, std::initializer_list<GstElement*> elements) {
    for (GstElement* e : elements)
        if (e)
            gst_bin_add(GST_BIN(bin), e);
}

void DropElement(GstElement* bin, GstElement*& element) {
    if (!element)
        return;
    gst_element_set_state(element, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin), element);
    element = nullptr;
}

void SyncWithPipeline(std::initializer_list<GstElement*> elements) {
    for (auto it = std::rbegin(elements); it != std::rend(elements); ++it)
        if (*it)
            gst_element_sync_state_with_parent(*it);
}

GstPad* LinkThroughMultiQueue(GstElement* mq, GstPad* pad, GstPad** srcPad) {
    *srcPad = nullptr;
    GstPad* sink = gst_element_request_pad_simple(mq, "sink_%u");
    if (!sink)
        return nullptr;
    if (gst_pad_link(pad, sink) != GST_PAD_LINK_OK) {
        gst_element_release_request_pad(mq, sink);
        gst_object_unref(sink);
        return nullptr;
    }
    // multiqueue pairs "sink_N" with "src_N".
    gchar* name = gst_pad_get_name(sink);
    std::string srcName = std::string("src_") + (name + 5);
    g_free(name);
    *srcPad = gst_element_get_static_pad(mq, srcName.c_str());
    return sink;
}

void ReleaseRequestPad(GstElement* owner, GstPad*& pad) {
    if (!pad)
        return;
    if (owner)
        gst_element_release_request_pad(owner, pad);
    gst_object_unref(pad);
    pad = nullptr;
}

bool AnySinkPadLinked(GstElement* element) {
    bool linked = false;
    GST_OBJECT_LOCK(element);
    for (GList* l = element->sinkpads; l && !linked; l = l->next)
        linked = gst_pad_is_linked(GST_PAD(l->data));
    GST_OBJECT_UNLOCK(element);
    return linked;
}

bool LinkPadTo(GstPad* src, GstElement* downstream, const char* sinkPad) {
    if (!src || !downstream)
        return false;
    GstPad* sink = gst_element_get_static_pad(downstream, sinkPad);
    if (!sink)
        return false;
    const bool ok = gst_pad_link(src, sink) == GST_PAD_LINK_OK;
    gst_object_unref(sink);
    return ok;
}

int PidFromPadName(const std::string& name) {
    const auto pos = name.rfind('_');
    if (pos == std::string::npos || pos + 1 >= name.size() || name.size() - pos > 9)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + pos + 1, &end, 16);
    if (*end != '\0' || pid < 0 || pid > 0x1FFF)
        return 0;
    return static_cast<int>(pid);
}

int PadGeneration(const std::string& name) {
    const auto first = name.find('_');
    const auto last = name.rfind('_');
    if (first == std::string::npos || last <= first + 1 || last - first > 9)
        return -1;
    const std::string digits = name.substr(first + 1, last - first - 1);
    char* end = nullptr;
    const long generation = std::strtol(digits.c_str(), &end, 16);
    return *end == '\0' && generation >= 0 ? static_cast<int>(generation) : -1;
}
