// Runs the start-up sequence with the real windows: the splash window shows the
// steps, the main window receives the receiver state and the lists.
#pragma once

class MySplashFrame;
class MyMainFrame;

// Runs the sequence once. On success the main window (or the window of the start
// mode) is shown and the splash window destroyed; on failure the program ends
// through the main window's close request. Returns whether the start-up completed.
bool RunStartup(MySplashFrame& splash, MyMainFrame& frame);
