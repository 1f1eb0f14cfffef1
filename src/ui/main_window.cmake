# Main window, channel tree and start-up sequence. The start-up rules are a wxBase
# library (tested without a display); the windows go into tessaro_gui.
add_library(tessaro_ui_core STATIC ${CMAKE_CURRENT_LIST_DIR}/startup_sequence.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/play_logic.cpp)
target_include_directories(tessaro_ui_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(tessaro_ui_core PUBLIC tessaro_webif_core wx_base)

target_sources(tessaro_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/channel_tree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/combo_choice_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_frame_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_frame_tree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_frame_profile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_frame_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_frame_close.cpp
    ${CMAKE_CURRENT_LIST_DIR}/play_service.cpp
    ${CMAKE_CURRENT_LIST_DIR}/play_navigation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_frame_stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_stream_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup_runner.cpp
)
target_link_libraries(tessaro_gui PUBLIC tessaro_ui_core tessaro_stream_core Fontconfig::Fontconfig)
