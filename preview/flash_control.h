#pragma once
// The members of the embedded Flash player that the preview commands use, numbered as such a
// control numbers them: frames from 0. The main window adapts its player view to this; tests
// record the calls.

#include <cstdint>
#include <string>

namespace preview {

class FlashControl {
public:
    virtual ~FlashControl() = default;

    // Movie put: loads the movie at a UTF-8 path and starts it playing; an empty path clears
    // the player. A missing or broken movie shows nothing and raises nothing.
    virtual void putMovie(const std::string& path) = 0;
    // FrameNum get and put: the current frame from 0; putting one jumps there.
    virtual std::int32_t frameNum() const = 0;
    virtual void putFrameNum(std::int32_t frame) = 0;
    // Play: start or continue. Stop: halt at the current frame. Rewind: go to the first frame.
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void rewind() = 0;
    // Playing put, and StopPlay (halt playback).
    virtual void putPlaying(bool playing) = 0;
    virtual void stopPlay() = 0;
};

}  // namespace preview
