#include "saver_runtime/system_mute_win32.h"

#include <windows.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>

namespace saver_runtime {

namespace {

// Releases a COM interface at the end of a scope.
template <typename T>
struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p) p->Release();
    }
};

}  // namespace

bool systemMuted() {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BOOL muted = FALSE;
    {
        ComRef<IMMDeviceEnumerator> devices;
        ComRef<IMMDevice> speaker;
        ComRef<IAudioEndpointVolume> volume;
        if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                       __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&devices.p))) &&
            SUCCEEDED(devices.p->GetDefaultAudioEndpoint(eRender, eConsole, &speaker.p)) &&
            SUCCEEDED(speaker.p->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr,
                                          reinterpret_cast<void**>(&volume.p))) &&
            SUCCEEDED(volume.p->GetMute(&muted))) {
        } else {
            muted = FALSE;
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return muted != FALSE;
}

}  // namespace saver_runtime
