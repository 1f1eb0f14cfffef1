# Third-party libraries as imported/interface targets, so that logic libraries can
# link wxBase alone while windows link the GUI toolkit.
find_package(PkgConfig REQUIRED)

find_package(wxWidgets 3.2 REQUIRED COMPONENTS xml net base)
add_library(wx_base INTERFACE)
target_include_directories(wx_base SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(wx_base INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(wx_base INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(wx_base INTERFACE ${wxWidgets_LIBRARIES})

find_package(wxWidgets 3.2 REQUIRED COMPONENTS xrc html adv core xml net base)
add_library(wx_gui INTERFACE)
target_include_directories(wx_gui SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(wx_gui INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(wx_gui INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(wx_gui INTERFACE ${wxWidgets_LIBRARIES})

find_program(WXRC_EXECUTABLE NAMES wxrc wxrc-3.2 REQUIRED)
find_program(MSGFMT_EXECUTABLE msgfmt REQUIRED)

pkg_check_modules(GST REQUIRED IMPORTED_TARGET
    gstreamer-1.0 gstreamer-base-1.0 gstreamer-app-1.0 gstreamer-video-1.0
    gstreamer-audio-1.0 gstreamer-mpegts-1.0 gstreamer-pbutils-1.0 gstreamer-tag-1.0)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0 x11)
pkg_check_modules(XSS IMPORTED_TARGET xscrnsaver)
find_package(CURL REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(Threads REQUIRED)

if(TESSARO_BUILD_TESTS)
    find_package(GTest REQUIRED)
endif()
if(TESSARO_BUILD_BENCH)
    find_package(benchmark QUIET)
endif()

# The interpreter that has Debian's GStreamer bindings and pyftpdlib (not a
# user-installed one that may lack them).
find_program(SYSTEM_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT SYSTEM_PYTHON3)
    find_program(SYSTEM_PYTHON3 NAMES python3 REQUIRED)
endif()
set(E2SIM_EXECUTABLE ${CMAKE_SOURCE_DIR}/tools/e2sim/e2sim)

# GUI tests and benchmarks each run under a private X server.
find_program(XVFB_SERVER Xvfb)
set(TESSARO_WITH_XVFB ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb.sh)
