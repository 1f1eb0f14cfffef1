// The elements of one player's pipeline: the fixed front (HTTP source, buffering,
// tee into demuxer and recording branch) and the chains built behind the demuxer's pads.
#pragma once

#include <gst/gst.h>

struct PlaybackPipeline {
    // Fixed part, built by Player::Init.
    GstElement* pipeline = nullptr;       // "Tessaro"
    GstElement* source = nullptr;         // "Source"
    GstElement* sourceQueue = nullptr;    // "SourceQueue"
    GstElement* sourceIdentity = nullptr; // "SourceIdentity"
    GstElement* tee = nullptr;            // "Tee"
    GstElement* teeQueue1 = nullptr;      // "TeeQueue1"
    GstElement* teeQueue2 = nullptr;      // "TeeQueue2"
    GstElement* valve = nullptr;          // "Valve"
    GstElement* fileSink = nullptr;       // "FileSink"
    GstElement* demuxer = nullptr;        // "Demuxer"

    // Dynamic part, null while absent.
    GstElement* multiQueue = nullptr;
    GstElement* videoParser = nullptr; // "VideoParser" in front of the decoder
    GstElement* videoDecoder = nullptr;
    GstElement* decoderQueue = nullptr;
    GstElement* deInterlace = nullptr;
    GstElement* videoRate = nullptr;
    GstElement* videoScale = nullptr;
    GstElement* videoBalance = nullptr;
    GstElement* subtitleOverlay = nullptr;
    GstElement* clockOverlay = nullptr;
    GstElement* textOverlay = nullptr;
    GstElement* colorSpace = nullptr;
    GstElement* videoQueue = nullptr;
    GstElement* videoSink = nullptr;
    GstElement* audioInputSelector = nullptr;
    GstElement* audioRate = nullptr;
    GstElement* equalizer = nullptr;
    GstElement* volume = nullptr;
    GstElement* audioQueue = nullptr;
    GstElement* audioSink = nullptr;
    GstElement* teletextSink = nullptr;
    GstElement* subtitleInputSelector = nullptr;
};
