#include "platform/sound_output_win32.h"

namespace platform {

namespace {

// Holds a critical section for one scope.
class Locked {
public:
    explicit Locked(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
    ~Locked() { LeaveCriticalSection(&m_cs); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

}  // namespace

std::unique_ptr<SoundOutput> SoundOutput::open() {
    std::unique_ptr<SoundOutput> out(new SoundOutput());
    InitializeCriticalSection(&out->m_lock);
    out->m_lockReady = true;
    out->m_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!out->m_event) return nullptr;

    WAVEFORMATEX fmt{};
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = 2;
    fmt.nSamplesPerSec = sound::kOutputRate;
    fmt.wBitsPerSample = 16;
    fmt.nBlockAlign = 4;
    fmt.nAvgBytesPerSec = sound::kOutputRate * 4;
    if (waveOutOpen(&out->m_wave, WAVE_MAPPER, &fmt, reinterpret_cast<DWORD_PTR>(out->m_event), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        out->m_wave = nullptr;
        return nullptr;
    }
    for (int i = 0; i < kBuffers; ++i) {
        out->m_buffers[i].assign(kBufferFrames * 2, 0);
        WAVEHDR& h = out->m_headers[i];
        h.lpData = reinterpret_cast<LPSTR>(out->m_buffers[i].data());
        h.dwBufferLength = kBufferFrames * 4;
        if (waveOutPrepareHeader(out->m_wave, &h, sizeof h) != MMSYSERR_NOERROR) return nullptr;
    }
    // Silence first: the device starts at once and the thread keeps it fed.
    for (int i = 0; i < kBuffers; ++i) waveOutWrite(out->m_wave, &out->m_headers[i], sizeof(WAVEHDR));
    out->m_thread = CreateThread(nullptr, 0, &SoundOutput::threadMain, out.get(), 0, nullptr);
    if (!out->m_thread) return nullptr;
    SetThreadPriority(out->m_thread, THREAD_PRIORITY_TIME_CRITICAL);
    return out;
}

SoundOutput::~SoundOutput() {
    if (m_thread) {
        InterlockedExchange(&m_quit, 1);
        SetEvent(m_event);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_wave) {
        waveOutReset(m_wave);  // returns every buffer
        for (WAVEHDR& h : m_headers)
            if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(m_wave, &h, sizeof h);
        waveOutClose(m_wave);
    }
    if (m_event) CloseHandle(m_event);
    if (m_lockReady) DeleteCriticalSection(&m_lock);
}

DWORD WINAPI SoundOutput::threadMain(void* self) {
    static_cast<SoundOutput*>(self)->run();
    return 0;
}

void SoundOutput::queue(WAVEHDR& h, std::vector<std::int16_t>& buffer) {
    {
        Locked lock(m_lock);
        m_mixer.mix(buffer.data(), kBufferFrames);
    }
    h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
    waveOutWrite(m_wave, &h, sizeof h);
}

void SoundOutput::run() {
    while (!m_quit) {
        // The event is set whenever the device finishes a buffer; the timeout only guards
        // against a driver that forgets to.
        WaitForSingleObject(m_event, 200);
        if (m_quit) break;
        for (int i = 0; i < kBuffers; ++i) {
            if (m_headers[i].dwFlags & WHDR_DONE) {
                InterlockedIncrement64(&m_buffersPlayed);
                queue(m_headers[i], m_buffers[i]);
            }
        }
    }
}

void SoundOutput::movieLoaded(const player::Player& player) {
    m_movie = std::make_unique<sound::MovieSound>(player.library(), player.frameRate(), player.root().id());
    Locked lock(m_lock);
    m_mixer.stopAll();
}

void SoundOutput::movieUnloaded() {
    {
        Locked lock(m_lock);
        m_mixer.stopAll();
    }
    m_movie.reset();
}

void SoundOutput::frameRan(const player::SoundEvents& events) {
    if (!m_movie) return;
    m_movie->prepare(events);
    Locked lock(m_lock);
    m_movie->apply(events, m_mixer);
}

void SoundOutput::silence() {
    Locked lock(m_lock);
    m_mixer.stopAll();
}

std::optional<unsigned> SoundOutput::streamFramesDue() {
    if (!m_movie) return std::nullopt;
    Locked lock(m_lock);
    return m_movie->framesDue(m_mixer);
}

}  // namespace platform
