// The compiled-in layouts and bitmaps (resource.xrc, images.xrc). Call once after
// the XRC handlers and image handlers are installed.
#pragma once

void InitXmlResources();
