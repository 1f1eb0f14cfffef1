#include "stream/gst_helpers.h"

#include <gst/tag/tag.h>

GstElement* MakeElement(const std::vector<const char*>& factories, const char* name) {
    for (const char* factory : factories) {
        if (GstElement* e = gst_element_factory_make(factory, name))
            return e;
    }
    return nullptr;
}

bool HasProperty(gpointer object, const char* property) {
    return object && g_object_class_find_property(G_OBJECT_GET_CLASS(object), property) != nullptr;
}

void SetIfExists(GstElement* element, const char* property, gboolean value) {
    if (HasProperty(element, property))
        g_object_set(element, property, value, nullptr);
}

std::string PadCapsText(GstPad* pad) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    if (!caps)
        return {};
    gchar* text = gst_caps_to_string(caps);
    std::string result = text ? text : "";
    g_free(text);
    gst_caps_unref(caps);
    return result;
}

std::string ObjectName(gpointer object) {
    if (!object)
        return "(null)";
    gchar* name = gst_object_get_name(GST_OBJECT(object));
    std::string result = name ? name : "";
    g_free(name);
    return result;
}

std::string PadLanguage(GstPad* pad) {
    GstStream* stream = pad ? gst_pad_get_stream(pad) : nullptr;
    if (!stream)
        return {};
    std::string result;
    if (GstTagList* tags = gst_stream_get_tags(stream)) {
        gchar* code = nullptr;
        if (gst_tag_list_get_string(tags, GST_TAG_LANGUAGE_CODE, &code))
            result = ThreeLetterLanguage(code);
        g_free(code);
        gst_tag_list_unref(tags);
    }
    gst_object_unref(stream);
    return result;
}

std::string ThreeLetterLanguage(const char* code) {
    if (!code)
        return {};
    const gchar* longCode = gst_tag_get_language_code_iso_639_2T(code);
    return longCode ? longCode : code;
}
