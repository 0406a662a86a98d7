#pragma once
// Sound output through waveOut: four buffers of 50 ms, 44.1 kHz 16-bit stereo, refilled from
// the mixer on a thread of their own as the device returns them (CALLBACK_EVENT), so that a
// slow picture never starves the device. The player's thread hands over each iteration's sound
// events (decoding them first, outside the lock the audio thread takes).
//
// open() fails where no device opens (machines without sound hardware, some Wine set-ups); the
// movie then plays silently.

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/playback.h"
#include "sound/mixer.h"
#include "sound/movie_sound.h"

namespace platform {

class SoundOutput final : public SoundSink {
public:
    static constexpr int kBuffers = 4;
    static constexpr int kBufferFrames = 2205;  // 50 ms

    // Null when no output device opens.
    static std::unique_ptr<SoundOutput> open();
    ~SoundOutput() override;
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    void movieLoaded(const player::Player& player) override;
    void movieUnloaded() override;
    void frameRan(const player::SoundEvents& events) override;
    void silence() override;
    std::optional<unsigned> streamFramesDue() override;

    // Buffers the device has played back so far (for tests and figures).
    std::uint64_t buffersPlayed() const { return m_buffersPlayed; }

private:
    SoundOutput() = default;
    static DWORD WINAPI threadMain(void* self);
    void run();
    void queue(WAVEHDR& h, std::vector<std::int16_t>& buffer);

    HWAVEOUT m_wave = nullptr;
    HANDLE m_event = nullptr;
    HANDLE m_thread = nullptr;
    CRITICAL_SECTION m_lock;
    bool m_lockReady = false;
    volatile LONG m_quit = 0;
    WAVEHDR m_headers[kBuffers] = {};
    std::vector<std::int16_t> m_buffers[kBuffers];
    volatile LONG64 m_buffersPlayed = 0;

    sound::Mixer m_mixer;                        // guarded by m_lock
    std::unique_ptr<sound::MovieSound> m_movie;  // the player's thread only
};

}  // namespace platform
