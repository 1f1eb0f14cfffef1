// Reading element properties in checks; -99 / false / "" when a property is unset.
#pragma once

#include <string>

#include <gst/gst.h>

inline double DoubleProperty(GstElement* e, const char* name) {
    double value = -99;
    g_object_get(e, name, &value, nullptr);
    return value;
}

inline int IntProperty(GstElement* e, const char* name) {
    int value = -99;
    g_object_get(e, name, &value, nullptr);
    return value;
}

inline bool BoolProperty(GstElement* e, const char* name) {
    gboolean value = FALSE;
    g_object_get(e, name, &value, nullptr);
    return value;
}

inline std::string StringProperty(GstElement* e, const char* name) {
    gchar* text = nullptr;
    g_object_get(e, name, &text, nullptr);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}
